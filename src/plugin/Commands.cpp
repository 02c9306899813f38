#include "plugin/Commands.h"

#include <cstring>

#include "exchange/ExportFuncs.h"
#include "exchange/ImportFuncs.h"
#include "host/fxAPI32.h"
#include "photos/DataModule.h"
#include "photos/EnsureDataBase.h"
#include "photos/FVTools.h"
#include "photos/FotoHandling.h"
#include "platform/ui/Dialogs.h"
#include "report/frmTransActionReport.h"

int32_t VE1CustomImportHook(int32_t, int32_t, int32_t) {
    const int32_t result = VE1CustomImportProc();
    fxRedraw();
    return result;
}

int32_t VE1CustomExportHook(int32_t command, int32_t LParam, int32_t WParam) {
    return VE1CustomExportProc(command, LParam, WParam);
}

int32_t MakeTransActionReportHook() { return MakeTransActionReportProc(); }

int32_t AfterLoadProjectHook() {
    EnsureTableFotos();
    EnsureSubDirFotos();
    return -1;
}

int32_t BeforeCloseProjectHook() {
    // The dialog and the data module go also when ending the edit fails.
    struct Release {
        ~Release() { FreeControlForm(); }
    } release;
    CloseFotoverwaltung();
    return -1;
}

int32_t ProcessFotoHook() { return ProcessFoto(); }

void CorrectHauptfotoHook(const char* Value, char* NewValue, int32_t MaxLen) { CorrectHauptfoto(Value, NewValue, MaxLen); }
