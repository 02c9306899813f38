// The import of a checked-out transaction: object list, transaction, geodata and attribute
// data through the host, identifier pool and photos.
#pragma once

#include <cstdint>
#include <string>

// The import command: the user picks a member of an exchange file set. -1 when the import
// ran, 0 when the file dialog was cancelled or a member could not be read (then nothing in the
// project has changed).
int16_t VE1CustomImportProc();
// Merges the object list ImportDir\ImportFileName into TA_LIST.DBF and takes its identifiers
// out of every pool of TA_KL.DBF; deletes the host objects carrying them first.
void ImportTransActionList(const std::string& ImportFileName, const std::string& ImportDir);
// Records the transaction of the transaction file in TA_ID.DBF unless it is there.
void ImportTransActionNumbers(const std::string& ImportFileName, const std::string& ImportDir);
// Adds the reserved identifiers that are in no pool and on no host object to TA_KL.DBF.
void ImportKennungList(const std::string& ImportFileName, const std::string& ImportDir);
// Whether the imported write state Status1 ranks above the stored Status2 (1, 0, 2, 3).
bool IsHigherState(int32_t Status1, int32_t Status2);

// Copies the pictures of ImportDir\DirName into the project's photo directory and enters the
// photos of ImportDir\ImportFileName into Fotos. Does nothing without the exchange table or the
// photo directory; refuses when both directories are one.
void ImportFotos(const std::string& ImportFileName, const std::string& DirName, const std::string& ImportDir);
// Enters each photo of the exchange table whose id Fotos does not hold yet, as from VESTRA.
void ImportFotoList(const std::string& ImportFileName, const std::string& ImportDir);
