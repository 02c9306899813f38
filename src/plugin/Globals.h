// Global state of the library shared by the hooks and the transaction store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/DbfTable.h"

class TdmFotoverwaltung;

// TA_LIST.DBF, open only while AssignToTransaction runs.
extern std::unique_ptr<dbf::Table> TransActionList;
// Identifiers collected by CreateListToAssign; exists only while AssignToTransaction runs.
extern std::unique_ptr<std::vector<std::string>> ListToAssign;
// TA_KL.DBF, open only during the assignment loop of AssignToTransaction.
extern std::unique_ptr<dbf::Table> KennungList;
// Transaction that new or assigned objects are recorded under; -1 = none.
extern int32_t TargetTID;
// While true, OnTablePost does not mark the active object as changed.
extern bool blnDoNotSetChangeFlag;
// The photo data module, opened on demand by the photo operations (OpenFotoverwaltung);
// each of them holds a reference while it works, so a release never leaves one dangling.
extern std::shared_ptr<TdmFotoverwaltung> GlobaldmFotoverwaltung;

// Sets every global to its value at library load.
void ResetGlobals();
