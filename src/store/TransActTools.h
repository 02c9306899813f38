// The transaction list, the identifier pool and the assignment of objects to transactions.
#pragma once

#include <cstdint>
#include <string>

#include "host/NewKennungStruct.h"

// Records an object the host has just created under TargetTID; -1 recorded, 0 not.
int32_t InsertInTransActionListProc(int32_t Command, int32_t FELDIXID, int32_t WParam);
// Follows the deletion of an object in the host; always -1.
int32_t DeleteFromTransActionListProc(int32_t GeoID, int32_t LParam, int32_t WParam);
void UpdateKennungInTransactionList(const std::string& OldKennung, const std::string& NewKennung);
// Marks the host's active object as changed ("IGNORED" becomes "UPDATE").
void SetChangedFlag();
// SCHREIBEND, respectively TID, of the object's row; -1 without a row.
int32_t GetObjectStatus(const std::string& Kennung);
int32_t GetTIDOfObject(const std::string& Kennung);
// Puts an identifier back into the pool of a transaction (TID > 0), unless it is there.
void SetFreeKennung(int32_t TID, const std::string& Kennung);
void DeleteFreeKennung(const std::string& Kennung);
// The transaction the user picks for an assignment; -1 for none.
int32_t GetTransaktionsID();
// The Gauss-Krüger strip of the project: from the map cursor, else asked and remembered.
int32_t GetGKStreifen();

// The user's choice of a pool identifier of TID: the identifier, "-1" to stop, empty to skip.
std::string GetFreeKennung(const std::string& OldKennung, int32_t TID);
// As GetFreeKennung on the open KennungList, offering only identifiers fitting the class.
std::string GetNewKennung(const std::string& OldKennung, int32_t TID);
// Whether Kennung is in the open KennungList's pool under TID.
bool KennungIsValid(const std::string& Kennung, int32_t TID);
// Transaction and identifier for an object about to be created; -1 create, 0 cancel.
int32_t BeforeCreateObjectProc(int32_t ClassID, NewKennungStruct* Data, int32_t GeoTyp);
// Assigns one collected object to TargetTID; false stops the run.
bool AssignObject(const std::string& Kennung);
// Assigns the selected objects to a transaction the user picks; always -1.
int32_t AssignToTransactionProc(int32_t P1, int32_t P2, int32_t P3);

// The prefix of the exchange file set that the named file (with or without directory) belongs
// to, in lower case; empty when the name matches no member of a set.
std::string getFilenamePrefix(const std::string& FileName);
