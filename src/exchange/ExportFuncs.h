// The export of a transaction's changes as an exchange file set for VESTRA's check-in:
// change report, transaction file, geodata and attribute data through the host, action list,
// photo exchange table; then the check-in dialog.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbf/DbfTable.h"

// The export command. -1 when the file set was written, 0 when the export stopped early.
int32_t VE1CustomExportProc(int32_t command, int32_t LParam, int32_t WParam);
// The full path entered in the save dialog; empty when it was cancelled.
std::string getExportName();

// Width of KENNUNG in the action list, as VESTRA reads it.
inline constexpr size_t kAktionKennungWidth = 41;
// Identifier and action letter ("N", "U", "D", "I") of one row of the action list.
using AktionsZeile = std::pair<std::string, std::string>;
// The action list rows of transaction TID, in the physical order of TA_LIST.DBF.
std::vector<AktionsZeile> ActionListRows(int32_t TID);
// The action list rows of one list row that goes out (SCHREIBEND not 0): its identifier, its
// checkout identifier and its change status.
std::vector<AktionsZeile> AktionenDerZeile(const std::string& strKennung, const std::string& strOrgKennung,
                                           std::string strAction);
// Whether a row of the exported transaction puts its host object into the host's geodata and
// attribute export: write-locked or new, and updated or new.
bool WirdExportiert(int32_t SCHREIBEND, const std::string& CHANGED);
// Writes FileNamePrefix + "_aktion.dbf" in ExportDir (ending in a delimiter) anew.
void CreateActionList(const std::string& FileNamePrefix, const std::string& ExportDir, int32_t TID);
// Opens the check-in dialog for the file set when applicat.ini enables it.
void StartVestraCheckIn(const std::string& ExportDir, const std::string& FileNamePrefix);

// Prefix + "pc.dbf" in ExportDir, emptied if it exists, else created with the exchange fields;
// returned open, or none when any step fails.
std::unique_ptr<dbf::Table> CreateFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir);
class TdmFotoverwaltung;
// The links of the listed objects to photos captured here (IsNew 3), in list and link order:
// the object's identifier and the photo's id. Leaves Fotos on no particular record.
std::vector<std::pair<std::string, int32_t>> LokaleFotoLinks(TdmFotoverwaltung& dm,
                                                             const std::vector<std::string>& slObjectsWithFotos);
// Writes one row per link between a listed object and a locally captured photo, and copies
// the pictures into prefix + "_Fotos" without overwriting any picture there.
void ExportFotoTabelle(const std::string& FileNamePrefix, const std::string& ExportDir,
                       const std::vector<std::string>& slObjectsWithFotos);
