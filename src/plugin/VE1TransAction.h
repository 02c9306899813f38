// The hooks the host calls: the library's 22 exports.
#pragma once

#include "plugin/Export.h"

VE1_HOOK(VE1CustomImport)(HookArg, HookArg, HookArg);
VE1_HOOK(VE1CustomExport)(HookArg, HookArg, HookArg);
VE1_HOOK(MakeTransActionReport)(HookArg, HookArg, HookArg);
VE1_HOOK(BeforeLoadProject)(HookArg, HookArg, HookArg);
VE1_HOOK(AfterLoadProject)(HookArg, HookArg, HookArg);
VE1_HOOK(BeforeCloseProject)(HookArg, HookArg, HookArg);
VE1_HOOK(BeforeCreateObject)(HookArg, HookArg, HookArg);
VE1_HOOK(InsertInTransActionList)(HookArg, HookArg, HookArg);
VE1_HOOK(DeleteFromTransActionList)(HookArg, HookArg, HookArg);
VE1_HOOK(AfterEditObject)(HookArg, HookArg, HookArg);
VE1_HOOK(GeometryChanged)(HookArg, HookArg, HookArg);
VE1_HOOK(OnTablePost)(HookArg, HookArg, HookArg);
VE1_HOOK(CheckStatus)(HookArg, HookArg, HookArg);
VE1_HOOK(BeforeChangeKennung)(HookArg, HookArg, HookArg);
VE1_HOOK(AfterChangeKennung)(HookArg, HookArg, HookArg);
VE1_HOOK(UpdateKennungPreCorrection)(HookArg, HookArg, HookArg);
VE1_HOOK(SwitchKennung)(HookArg, HookArg, HookArg);
VE1_HOOK(CreateListToAssign)(HookArg, HookArg, HookArg);
VE1_HOOK(AssignToTransaction)(HookArg, HookArg, HookArg);
VE1_HOOK(ProcessFoto)(HookArg, HookArg, HookArg);
VE1_HOOK(CorrectHauptfoto)(HookArg, HookArg, HookArg);
VE1_HOOK(AfterFELDIXCommand)(HookArg, HookArg, HookArg);
