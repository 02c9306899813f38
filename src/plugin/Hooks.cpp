#include "plugin/Hooks.h"

#include <cstring>

#include "photos/FVTools.h"
#include "photos/FotoHandling.h"
#include "platform/os/Cursor.h"
#include "platform/ui/Dialogs.h"
#include "plugin/Globals.h"
#include "plugin/constants.h"
#include "store/ProjectTables.h"
#include "store/TableUnit.h"
#include "store/TransActTools.h"
#include "host/gisconst.h"
#include "util/Tools.h"

bool blnBeforeChangeKennungDone = false;
std::string strOldKennung;
bool blnChangingKennungInternal = false;

namespace {
// Library load and unload; after the globals above, so that they exist by then.
struct Lifetime {
    Lifetime() { LibraryLoaded(); }
    ~Lifetime() { LibraryUnloaded(); }
} lifetime;
}  // namespace

namespace {
void Warn(const std::string& text) { ui::MessageDlg(text, ui::MsgType::Warning); }
}  // namespace

void SetKennungInternal(int32_t GeoID, const std::string& Kennung) {
    struct Internal {
        Internal() { blnChangingKennungInternal = true; }
        ~Internal() { blnChangingKennungInternal = false; }
    } internal;
    fxSetKennung(GeoID, Kennung.c_str());
}

int32_t UpdateKennungPreCorrectionProc(int32_t GeoID, int32_t LParam, int32_t WParam) {
    if (blnChangingKennungInternal) {
        blnBeforeChangeKennungDone = false;
        return -1;
    }
    if (blnBeforeChangeKennungDone) {
        // The next announcement is a before half again, also when this one fails.
        struct Restart {
            ~Restart() { blnBeforeChangeKennungDone = false; }
        } restart;
        return AfterChangeKennungProc(GeoID, LParam, WParam);
    }
    const int32_t result = BeforeChangeKennungProc(GeoID, LParam, WParam);
    blnBeforeChangeKennungDone = static_cast<int16_t>(result) != 0;
    return result;
}

int32_t BeforeChangeKennungProc(int32_t GeoID, int32_t, int32_t) {
    // The plug-in's own renames pass, also when the host calls these hooks directly.
    if (blnChangingKennungInternal)
        return -1;
    blnDoNotSetChangeFlag = true;
    strOldKennung = MyGetKennungOfID(GeoID);
    return -1;
}

int32_t AfterChangeKennungProc(int32_t GeoID, int32_t, int32_t) {
    if (blnChangingKennungInternal)
        return -1;
    // The change flag is released however this ends.
    struct Release {
        ~Release() { blnDoNotSetChangeFlag = false; }
    } release;
    bool undo = false;
    {
        ProjectTable list(kTransactionList, "idxKennung", ProjectTable::Missing::LeaveClosed);
        if (!list.active())
            return -1;
        undo = FindKennung(list, strOldKennung) && MyGetKennungOfID(GeoID) != strOldKennung;
    }
    if (undo) {
        Warn("Das Objekt " + strOldKennung + " ist bereits einer Transaktion zugewiesen. " +
             "Seine Kennung darf daher nicht geändert werden.");
        SetKennungInternal(GeoID, strOldKennung);
    }
    return -1;
}

int32_t BeforeLoadProjectProc() {
    blnTempObjectCreation = false;
    return -1;
}

int32_t InsertInTransActionListHookProc(int32_t Command, int32_t FELDIXID, int32_t WParam) {
    if (blnTempObjectCreation) {
        TempObjectFELDIXID = FELDIXID;
        blnTempObjectCreation = false;
        fxRedraw();
        return -1;
    }
    return InsertInTransActionListProc(Command, FELDIXID, WParam);
}

int32_t AfterFELDIXCommandProc(int32_t Command, int32_t, int32_t WParam) {
    if (Command == FX_CMD_BUILDOBJECT && WParam == FX_BO_CANCEL && blnTempObjectCreation) {
        TempObjectFELDIXID = -1;
        blnTempObjectCreation = false;
    }
    return -1;
}

int32_t OnTablePostProc(const char* TableName, int32_t EventCode) {
    // Posting a link of the photo table may leave a local photo without links.
    if (EventCode == 0 && TableName && std::strcmp(TableName, "Objektphotos") == 0)
        DeleteFoto();
    if (!blnDoNotSetChangeFlag)
        SetChangedFlag();
    return -1;
}

int32_t GeometryChangedProc(int32_t GeoID) {
    fxAddToSelection(GeoID);
    fxSetActiveObject(GeoID);
    SetChangedFlag();
    return -1;
}

int32_t CheckStatusProc(int32_t GeoID) {
    const std::string kennung = MyGetKennungOfID(GeoID);
    if (GetObjectStatus(kennung) == 0) {
        Warn("Das Objekt ist lesend gesperrt. Seine Geometrie darf nicht verändert werden!");
        return 0;
    }
    return -1;
}

int32_t SwitchKennungProc() {
    os::BusyCursor busy;
    if (fxGetNrOfSelectedGeoObjects() != 1) {
        busy.Pause();
        Warn("Es muss genau ein Objekt selektiert sein!");
        return -1;
    }
    const int32_t geoID = fxGetActiveGeoObject();
    const std::string oldKennung = MyGetKennungOfID(geoID);
    const int32_t tid = GetTIDOfObject(oldKennung);
    if (tid < 0) {
        busy.Pause();
        Warn("Es konnte keine Transaktion für das Objekt ermittelt werden!");
        return -1;
    }
    const int32_t status = GetObjectStatus(oldKennung);
    if (status != 1 && status != 2) {
        busy.Pause();
        Warn("Das Objekt muss schreibend gesperrt oder neu sein!");
        return -1;
    }
    busy.Pause();
    const std::string newKennung = GetFreeKennung(oldKennung, tid);
    if (newKennung == "-1" || newKennung.empty())
        return -1;
    busy.Resume();
    try {
        AsOneChange([&] {
            SetKennungInternal(geoID, newKennung);
            UpdateKennungInTransactionList(oldKennung, newKennung);
            SetFreeKennung(tid, oldKennung);
            DeleteFreeKennung(newKennung);
        });
    } catch (...) {
        // The tables keep the old identifier, and so does the object.
        if (MyGetKennungOfID(geoID) != oldKennung)
            SetKennungInternal(geoID, oldKennung);
        throw;
    }
    fxDeselectAll();
    fxAddToSelection(geoID);
    return -1;
}

int32_t CreateListToAssignProc(const ObjectDataRecord* ObjectData) {
    // Outside an assignment run there is nothing to collect into.
    if (!ObjectData || !TransActionList || !ListToAssign)
        return -1;
    const std::string kennung = ObjectData->Kennung ? ObjectData->Kennung : "";
    // An object whose identifier the host cannot tell cannot be assigned by identifier.
    if (kennung.empty())
        return -1;
    TransActionList->setIndexName("idxKennung");
    if (!FindKennung(*TransActionList, kennung)) {
        ListToAssign->push_back(kennung);
        return -1;
    }
    const int32_t schreibend = TransActionList->fieldByName("SCHREIBEND").asInteger();
    if (schreibend == 2 || schreibend == 3)
        ListToAssign->push_back(kennung);
    return -1;
}

void LibraryLoaded() {
    ResetGlobals();
    ResetConstants();
    blnBeforeChangeKennungDone = false;
    blnChangingKennungInternal = false;
    strOldKennung.clear();
    ResetFVGlobals();
}

void LibraryUnloaded() { strOldKennung.clear(); }
