// The library's exports: each reads its arguments and hands them to the operation that does
// the work; Guarded keeps every error on this side of the boundary.
#include "plugin/VE1TransAction.h"

#include "host/NewKennungStruct.h"
#include "plugin/Guard.h"
#include "plugin/Hooks.h"
#include "plugin/Commands.h"
#include "store/TransActTools.h"

VE1_HOOK(VE1CustomImport)(HookArg Command, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return VE1CustomImportHook(Arg32(Command), Arg32(LParam), Arg32(WParam)); });
}

VE1_HOOK(VE1CustomExport)(HookArg Command, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return VE1CustomExportHook(Arg32(Command), Arg32(LParam), Lo16(WParam)); });
}

VE1_HOOK(MakeTransActionReport)(HookArg, HookArg, HookArg) {
    return Guarded([] { return MakeTransActionReportHook(); });
}

VE1_HOOK(BeforeLoadProject)(HookArg, HookArg, HookArg) {
    return Guarded([] { return BeforeLoadProjectProc(); });
}

VE1_HOOK(AfterLoadProject)(HookArg, HookArg, HookArg) {
    return Guarded([] { return AfterLoadProjectHook(); });
}

VE1_HOOK(BeforeCloseProject)(HookArg, HookArg, HookArg) {
    return Guarded([] { return BeforeCloseProjectHook(); });
}

VE1_HOOK(BeforeCreateObject)(HookArg ClassID, HookArg Data, HookArg GeoTyp) {
    return Guarded([&] {
        return BeforeCreateObjectProc(Arg32(ClassID), reinterpret_cast<NewKennungStruct*>(Data), Lo16(GeoTyp));
    });
}

VE1_HOOK(InsertInTransActionList)(HookArg Command, HookArg FELDIXID, HookArg WParam) {
    return Guarded([&] { return InsertInTransActionListHookProc(Arg32(Command), Arg32(FELDIXID), Lo16(WParam)); });
}

VE1_HOOK(DeleteFromTransActionList)(HookArg GeoID, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return DeleteFromTransActionListProc(Arg32(GeoID), Arg32(LParam), Lo16(WParam)); });
}

VE1_HOOK(AfterEditObject)(HookArg, HookArg, HookArg) {
    return Guarded([] {
        SetChangedFlag();
        return -1;
    });
}

VE1_HOOK(GeometryChanged)(HookArg GeoID, HookArg, HookArg) {
    return Guarded([&] { return GeometryChangedProc(Arg32(GeoID)); });
}

VE1_HOOK(OnTablePost)(HookArg, HookArg TableName, HookArg EventCode) {
    return Guarded([&] { return OnTablePostProc(reinterpret_cast<const char*>(TableName), Lo16(EventCode)); });
}

VE1_HOOK(CheckStatus)(HookArg, HookArg GeoID, HookArg) {
    return Guarded([&] { return CheckStatusProc(Arg32(GeoID)); });
}

VE1_HOOK(BeforeChangeKennung)(HookArg GeoID, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return BeforeChangeKennungProc(Arg32(GeoID), Arg32(LParam), Arg32(WParam)); });
}

VE1_HOOK(AfterChangeKennung)(HookArg GeoID, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return AfterChangeKennungProc(Arg32(GeoID), Arg32(LParam), Arg32(WParam)); });
}

VE1_HOOK(UpdateKennungPreCorrection)(HookArg GeoID, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return UpdateKennungPreCorrectionProc(Arg32(GeoID), Arg32(LParam), Arg32(WParam)); });
}

VE1_HOOK(SwitchKennung)(HookArg, HookArg, HookArg) {
    return Guarded([] { return SwitchKennungProc(); });
}

VE1_HOOK(CreateListToAssign)(HookArg ObjectData, HookArg, HookArg) {
    return Guarded([&] { return CreateListToAssignProc(reinterpret_cast<const ObjectDataRecord*>(ObjectData)); });
}

VE1_HOOK(AssignToTransaction)(HookArg P1, HookArg P2, HookArg P3) {
    return Guarded([&] { return AssignToTransactionProc(Arg32(P1), Arg32(P2), Lo16(P3)); });
}

VE1_HOOK(ProcessFoto)(HookArg, HookArg, HookArg) {
    return Guarded([] { return ProcessFotoHook(); });
}

VE1_HOOK(CorrectHauptfoto)(HookArg Value, HookArg NewValue, HookArg MaxLen) {
    Guarded([&] {
        CorrectHauptfotoHook(reinterpret_cast<const char*>(Value), reinterpret_cast<char*>(NewValue), Arg32(MaxLen));
        return 0;
    });
    return 0;
}

VE1_HOOK(AfterFELDIXCommand)(HookArg Command, HookArg LParam, HookArg WParam) {
    return Guarded([&] { return AfterFELDIXCommandProc(Arg32(Command), Arg32(LParam), Lo16(WParam)); });
}
