#include "plugin/Globals.h"

#include "photos/DataModule.h"

std::unique_ptr<dbf::Table> TransActionList;
std::unique_ptr<std::vector<std::string>> ListToAssign;
std::unique_ptr<dbf::Table> KennungList;
int32_t TargetTID = 0;
bool blnDoNotSetChangeFlag = false;
std::shared_ptr<TdmFotoverwaltung> GlobaldmFotoverwaltung;

void ResetGlobals() {
    TransActionList.reset();
    ListToAssign.reset();
    KennungList.reset();
    TargetTID = 0;
    blnDoNotSetChangeFlag = false;
    GlobaldmFotoverwaltung.reset();
}
