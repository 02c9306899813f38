#include "store/TransActTools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dialogs/KennungsTools.h"
#include "dialogs/frmGetGKStreifen.h"
#include "dialogs/frmGetKennung.h"
#include "dialogs/frmGetTID.h"
#include "dialogs/frmGetTidAndKennung.h"
#include "host/fxAPI32.h"
#include "platform/dbf/DbfTable.h"
#include "platform/os/Cursor.h"
#include "platform/os/Registry.h"
#include "platform/ui/Dialogs.h"
#include "plugin/Globals.h"
#include "plugin/Hooks.h"
#include "plugin/constants.h"
#include "store/ProjectTables.h"
#include "store/TableUnit.h"
#include "util/Settings.h"
#include "util/Tools.h"
#include "util/Utils.h"
#include "util/_4Token.h"

namespace {

const char* const kNoPoolKennung = "Es sind keine gültigen Kennungen für die Zieltransaktion definiert!";

// Fills the identifier dialog from the open pool's range of TID; the dialog's result, or "-1"
// with a warning when nothing is admissible.
template <class Admit>
std::string ChooseFromPool(dbf::Table& pool, const std::string& OldKennung, int32_t TID, Admit admit) {
    TformGetKennung form;
    pool.setIndexName("idxTID");
    pool.setRange(TID, TID);
    for (pool.first(); !pool.eof(); pool.next()) {
        const std::string kennung = pool.fieldByName("KENNUNG").asString();
        if (admit(kennung))
            form.lbKennungen.Add(kennung);
    }
    pool.cancelRange();
    if (form.lbKennungen.Count() == 0) {
        ui::MessageDlg(kNoPoolKennung, ui::MsgType::Warning);
        return "-1";
    }
    form.lblOriginalKennung.Caption = OldKennung;
    return ReadChosenKennung(form);
}

}  // namespace

int32_t InsertInTransActionListProc(int32_t /*Command*/, int32_t FELDIXID, int32_t /*WParam*/) {
    if (TargetTID < 0)
        return 0;
    return AsOneChange([&]() -> int32_t {
        ProjectTable list(kTransactionList, "idxKennung", ProjectTable::Missing::LeaveClosed);
        if (!list.active())
            return 0;
        const std::string kennung = MyGetKennungOfID(FELDIXID);
        std::string newAction = "NEW", kennungO;
        int32_t schreibend = 2;
        if (FindKennung(list, kennung)) {
            newAction = list.fieldByName("CHANGED").asString() == "DELETE" ? "UPDATE" : "NEW";
            kennungO = list.fieldByName("KENNUNGO").asString();
            schreibend = 1;
            list.edit();
        } else {
            list.append();
        }
        list.fieldByName("TID").setInteger(TargetTID);
        list.fieldByName("FELDIXID").setInteger(FELDIXID);
        list.fieldByName("VGNR").setInteger(-1);
        list.fieldByName("KENNUNG").setString(kennung);
        list.fieldByName("KENNUNGO").setString(kennungO);
        list.fieldByName("SCHREIBEND").setInteger(schreibend);
        list.fieldByName("CHANGED").setString(newAction);
        // The identifier leaves the pool as the object enters the list: both tables must
        // take the change before either is written.
        ProjectTable pool(kKennungList, "idxKennung");
        list.requireWritable();
        if (FindKennung(pool, kennung)) {
            pool.requireWritable();
            list.post();
            pool.deleteRecord();
        } else {
            list.post();
        }
        return -1;
    });
}

namespace {
int32_t DeleteFromTransActionListStep(int32_t GeoID) {
    ProjectTable list(kTransactionList, "idxKennung", ProjectTable::Missing::LeaveClosed);
    if (!list.active())
        return -1;
    const std::string kennung = MyGetKennungOfID(GeoID);
    if (!FindKennung(list, kennung))
        return -1;
    const int32_t schreibend = list.fieldByName("SCHREIBEND").asInteger();
    const int32_t tid = list.fieldByName("TID").asInteger();
    if (schreibend == 1 || schreibend == 2) {
        // The list is checked before the pool takes the identifier back; the pool checks
        // itself before its first write.
        list.requireWritable();
        SetFreeKennung(tid, kennung);
    }
    if (schreibend == 1) {
        list.edit();
        list.fieldByName("SCHREIBEND").setInteger(3);
        list.fieldByName("CHANGED").setString("DELETE");
        list.post();
    } else if (schreibend == 2) {
        list.deleteRecord();
    }
    return -1;
}
}  // namespace

int32_t DeleteFromTransActionListProc(int32_t GeoID, int32_t /*LParam*/, int32_t /*WParam*/) {
    return AsOneChange([&] { return DeleteFromTransActionListStep(GeoID); });
}

void UpdateKennungInTransactionList(const std::string& OldKennung, const std::string& NewKennung) {
    TableUnit unit;
    {
        ProjectTable list(kTransactionList, "idxKennung");
        if (!FindKennung(list, OldKennung))
            return;
        list.edit();
        list.fieldByName("KENNUNG").setString(NewKennung);
        if (list.fieldByName("SCHREIBEND").asInteger() == 1)
            list.fieldByName("CHANGED").setString("UPDATE");
        list.post();
    }
    unit.Commit();
}

void SetChangedFlag() {
    AsOneChange([] {
        ProjectTable list(kTransactionList, "idxKennung", ProjectTable::Missing::LeaveClosed);
        if (!list.active())
            return;
        const std::string kennung = MyGetKennungOfID(fxGetActiveGeoObject());
        if (FindKennung(list, kennung) && list.fieldByName("CHANGED").asString() == "IGNORED") {
            list.edit();
            list.fieldByName("CHANGED").setString("UPDATE");
            list.post();
        }
    });
}

namespace {
int32_t ListValue(const std::string& Kennung, const char* field) {
    ProjectTable list(kTransactionList, "idxKennung", ProjectTable::Missing::LeaveClosed);
    if (!list.active() || !FindKennung(list, Kennung))
        return -1;
    return list.fieldByName(field).asInteger();
}
}  // namespace

int32_t GetObjectStatus(const std::string& Kennung) { return ListValue(Kennung, "SCHREIBEND"); }

int32_t GetTIDOfObject(const std::string& Kennung) { return ListValue(Kennung, "TID"); }

void SetFreeKennung(int32_t TID, const std::string& Kennung) {
    if (TID <= 0)
        return;
    TableUnit unit;
    {
        ProjectTable pool(kKennungList, "idxKennung");
        if (FindKennung(pool, Kennung))
            return;
        pool.append();
        pool.fieldByName("TID").setInteger(TID);
        pool.fieldByName("KENNUNG").setString(Kennung);
        pool.post();
    }
    unit.Commit();
}

void DeleteFreeKennung(const std::string& Kennung) {
    TableUnit unit;
    {
        ProjectTable pool(kKennungList, "idxKennung");
        if (FindKennung(pool, Kennung))
            pool.deleteRecord();
    }
    unit.Commit();
}

int32_t GetTransaktionsID() {
    // A project without a transaction table has no transaction to offer.
    if (!ProjectTableExists(kTransactionIDs))
        return -1;
    TFormGetTID form;
    return ChooseTransaction(form, true);
}

int32_t GetGKStreifen() {
    char strip = '0';
    try {
        CursorPoint point{0.0, 0.0};
        fxGetCursorCoordinates(&point);
        if (std::isfinite(point.RWert)) {
            char text[64];
            std::snprintf(text, sizeof text, "%.6f", point.RWert);
            if (text[0] >= '1' && text[0] <= '9')
                strip = text[0];
        }
    } catch (...) {
        strip = '0';
    }
    if (strip != '0')
        return strip - '0';
    os::RegIniFile settings(settings::kPluginKey);
    const int32_t stored = settings.ReadInteger(settings::kPluginSection, settings::kGKStreifen, 2);
    TFormGetGKStreifen form;
    // A stored strip other than 2 or 3 preselects strip 2, the default.
    form.RadioGroup1.ItemIndex = (stored == 2 || stored == 3) ? stored - 2 : 0;
    form.ShowModal();
    // No item selected keeps the default strip rather than an invalid strip 1.
    const int32_t chosen = form.RadioGroup1.ItemIndex >= 0 ? form.RadioGroup1.ItemIndex + 2 : 2;
    settings.WriteInteger(settings::kPluginSection, settings::kGKStreifen, chosen);
    return chosen;
}

std::string GetFreeKennung(const std::string& OldKennung, int32_t TID) {
    ProjectTable pool(kKennungList, "idxTID");
    return ChooseFromPool(pool, OldKennung, TID, [](const std::string&) { return true; });
}

std::string GetNewKennung(const std::string& OldKennung, int32_t TID) {
    const std::string className = MyGetObjectClassName(fxGetObjectClass(), 100);
    return ChooseFromPool(*KennungList, OldKennung, TID,
                          [&](const std::string& k) { return KennungFitsOKL(className, k); });
}

bool KennungIsValid(const std::string& Kennung, int32_t TID) {
    KennungList->setIndexName("idxKennung");
    return FindKennung(*KennungList, Kennung) && KennungList->fieldByName("TID").asInteger() == TID;
}

int32_t BeforeCreateObjectProc(int32_t /*ClassID*/, NewKennungStruct* Data, int32_t /*GeoTyp*/) {
    if (blnTempObjectCreation) {
        Data->UseHostKennung = 0;
        return -1;
    }
    const size_t capacity = Data->KennungBufferSize;
    std::string kennung(Data->KennungBuffer, strnlen(Data->KennungBuffer, capacity + 1));
    int32_t chosenTID = -1;
    bool takeHost = false;
    TargetTID = -1;
    {
        ProjectTable ids(kTransactionIDs, nullptr, ProjectTable::Missing::LeaveClosed);
        if (!ids.active()) {
            // Without TA_ID.DBF beside a list or pool, an import of an earlier version stopped
            // halfway: not a project without transaction data.
            const bool partly = ProjectTableExists(kTransactionList) || ProjectTableExists(kKennungList);
            ui::MessageDlg(partly ? "Die Transaktionsdaten des Projekts sind unvollständig: TA_ID.DBF fehlt. "
                                    "Bitte wiederholen Sie den Import."
                                  : "Transaktionsliste nicht gefunden!",
                           ui::MsgType::Warning);
            Data->UseHostKennung = 1;
            return -1;
        }
        if (ids.recordCount() > 0) {
            std::unique_ptr<TFormGetTIDAndKennung> form;
            try {
                form = std::make_unique<TFormGetTIDAndKennung>();
            } catch (const std::exception& e) {
                ui::MessageDlg("Der Kennungsvorrat TA_KL.DBF kann nicht geöffnet werden: " + std::string(e.what()),
                               ui::MsgType::Error);
                return 0;
            }
            for (ids.first(); !ids.eof(); ids.next())
                form->lbTransActions.Add(ids.fieldByName("TID").asString() + " - " + ids.fieldByName("NAME").asString());
            form->lbTransActions.ItemIndex = 0;
            form->lbTransActionsClick();
            const int result = form->ShowModal();
            if (form->lbTransActions.ItemIndex >= 0)
                chosenTID = TIDOfLine(form->lbTransActions.SelectedText());
            if (form->lbKennungen.ItemIndex >= 0)
                kennung = Trim(form->lbKennungen.SelectedText());
            else
                takeHost = true;
            if (result == ui::mrIgnore)
                chosenTID = -1;
            else if (result == ui::mrCancel) {
                chosenTID = -1;
                kennung.clear();
            }
        }
    }
    if (kennung.empty())
        return 0;
    if (chosenTID >= 0)
        TargetTID = chosenTID;
    if (!takeHost) {
        const size_t n = std::min(kennung.size(), capacity);
        std::memcpy(Data->KennungBuffer, kennung.data(), n);
        Data->KennungBuffer[n] = '\0';
    }
    Data->UseHostKennung = takeHost ? 1 : 0;
    return -1;
}

bool AssignObject(const std::string& Kennung) {
    const int32_t geoID = fxGetIDFromKennung(Kennung.c_str());
    fxSetActiveObject(geoID);
    TransActionList->setIndexName("idxKennung");
    const int32_t objTID =
        FindKennung(*TransActionList, Kennung) ? TransActionList->fieldByName("TID").asInteger() : -1;
    std::string newKennung;
    if (objTID == TargetTID || KennungIsValid(Kennung, TargetTID)) {
        newKennung = Kennung;
    } else {
        fxSetObjectClass(fxGetClassOf(geoID));
        newKennung = GetNewKennung(Kennung, TargetTID);
    }
    if (newKennung.empty())
        return true;
    if (newKennung == "-1")
        return false;
    TransActionList->setIndexName("idxKennung");
    if (FindKennung(*TransActionList, newKennung)) {
        TransActionList->edit();
    } else {
        TransActionList->append();
        TransActionList->fieldByName("FELDIXID").setInteger(geoID);
        TransActionList->fieldByName("VGNR").setInteger(-1);
        TransActionList->fieldByName("KENNUNG").setString(newKennung);
    }
    TransActionList->fieldByName("TID").setInteger(TargetTID);
    TransActionList->fieldByName("SCHREIBEND").setInteger(2);
    TransActionList->fieldByName("CHANGED").setString("NEW");
    TransActionList->post();
    KennungList->setIndexName("idxKennung");
    if (FindKennung(*KennungList, newKennung))
        KennungList->deleteRecord();
    // The rename is the plug-in's own: the identifier change hooks must not undo it.
    SetKennungInternal(geoID, newKennung);
    return true;
}

int32_t AssignToTransactionProc(int32_t /*P1*/, int32_t /*P2*/, int32_t /*P3*/) {
    const int32_t selected = fxGetNrOfSelectedGeoObjects();
    if (selected <= 0) {
        ui::MessageDlg("Keine Objekte selektiert!", ui::MsgType::Information);
        return -1;
    }
    if (ui::MessageDlg(std::to_string(selected) + " Objekte sollen einer Transaktion zugewiesen werden. Weiter?",
                       ui::MsgType::Confirmation, ui::MsgButtons::YesNo) != ui::mrYes)
        return -1;
    TargetTID = GetTransaktionsID();
    if (TargetTID < 0)
        return -1;
    // The run is one change of the tables; its tables and list live only while it runs, also
    // when a step fails.
    return AsOneChange([] {
        struct RunState {
            ~RunState() {
                KennungList.reset();
                TransActionList.reset();
                ListToAssign.reset();
            }
        } state;
        TransActionList = std::make_unique<ProjectTable>(kTransactionList, "idxKennung");
        ListToAssign = std::make_unique<std::vector<std::string>>();
        fxIterateObjects(0, "VE1TransAction.dll", "CreateListToAssign");
        if (!ListToAssign->empty()) {
            KennungList = std::make_unique<ProjectTable>(kKennungList, nullptr);
            const std::vector<std::string> toAssign = *ListToAssign;
            for (const auto& kennung : toAssign)
                if (!AssignObject(kennung))
                    break;
            KennungList.reset();
        }
        return -1;
    });
}

namespace {

// Lower case of Windows-1252 text: ASCII letters, the accented capitals and the four
// capitals of 0x8A..0x9F.
std::string LowerCase1252(std::string s)
{
    for (char& ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            ch = static_cast<char>(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E)
            ch = static_cast<char>(c + 0x10);
        else if (c == 0x9F)
            ch = static_cast<char>(0xFF);
    }
    return s;
}

// The part of s before its first '.', without its last `drop` characters.
std::string StemWithout(const std::string& s, size_t drop)
{
    const std::string stem = s.substr(0, s.find('.'));
    return stem.size() > drop ? stem.substr(0, stem.size() - drop) : std::string();
}

}  // namespace

std::string getFilenamePrefix(const std::string& FileName)
{
    const std::string s = LowerCase1252(ExtractFileName(FileName));
    const auto holds = [&s](const char* part) { return s.find(part) != std::string::npos; };
    if (holds(".xml") || holds(".log") || holds(".tid"))
        return StemWithout(s, 0);
    for (const char* member : {"df.", "dp.", "dl.", "tp.", "al.", "xf.", "pc.", "kl."})
        if (holds(member))
            return StemWithout(s, 2);
    if (holds("t."))
        return StemWithout(s, 1);
    return std::string();
}
