#include "plugin/Globals.h"

std::unique_ptr<dbf::Table> TransActionList;
std::unique_ptr<std::vector<std::string>> ListToAssign;
std::unique_ptr<dbf::Table> KennungList;
int32_t TargetTID = 0;
bool blnDoNotSetChangeFlag = false;
TdmFotoverwaltung* GlobaldmFotoverwaltung = nullptr;

void ResetGlobals() {
    TransActionList.reset();
    ListToAssign.reset();
    KennungList.reset();
    TargetTID = 0;
    blnDoNotSetChangeFlag = false;
}
