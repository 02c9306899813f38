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
#include "store/TableUnit.h"

int32_t VE1CustomImportHook(int32_t, int32_t, int32_t) {
    // All table steps of the import are one change; an import that reports that nothing
    // changed (0) leaves the tables as they were.
    const int32_t result = AsOneChange([] { return VE1CustomImportProc(); }, [](int16_t r) { return r != 0; },
                                       kImportNotMade);
    fxRedraw();
    return result;
}

int32_t VE1CustomExportHook(int32_t command, int32_t LParam, int32_t WParam) {
    return VE1CustomExportProc(command, LParam, WParam);
}

int32_t MakeTransActionReportHook() { return MakeTransActionReportProc(); }

int32_t AfterLoadProjectHook() {
    RecoverLocalTables();
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
