#include "exchange/ExportFuncs.h"

#include <stdexcept>

#include "dialogs/frmGetTID.h"
#include "exchange/AutoCheckIn.h"
#include "exchange/ExportCheck.h"
#include "exchange/ExportStaging.h"
#include "host/fxAPI32.h"
#include "plugin/Globals.h"
#include "platform/os/Cursor.h"
#include "platform/os/Files.h"
#include "platform/os/IniFile.h"
#include "platform/os/Registry.h"
#include "platform/ui/Dialogs.h"
#include "store/ProjectTables.h"
#include "store/TransActTools.h"
#include "util/Settings.h"
#include "util/Tools.h"
#include "util/Utils.h"

namespace {

// The host copies its paths into buffers of 256 characters.
constexpr size_t kHostPathMax = 255;

// What step 8 gathers: the report's three lists and the photo export's objects.
struct Aenderungen {
    std::vector<std::string> slChangedObjects, slDeletedObjects, slNewObjects, slObjectsWithFotos;
    int counter = 0;  // objects put into the host's selection
};

// fxBeginUpdate now, fxEndUpdate on every way out.
class HostUpdate {
public:
    HostUpdate() { fxBeginUpdate(); }
    ~HostUpdate() { fxEndUpdate(); }
    HostUpdate(const HostUpdate&) = delete;
    HostUpdate& operator=(const HostUpdate&) = delete;
};

// blnDoNotSetChangeFlag while it lives, reset also when the host call raises.
class NoChangeFlag {
public:
    NoChangeFlag() { blnDoNotSetChangeFlag = true; }
    ~NoChangeFlag() { blnDoNotSetChangeFlag = false; }
    NoChangeFlag(const NoChangeFlag&) = delete;
    NoChangeFlag& operator=(const NoChangeFlag&) = delete;
};

std::string Text(dbf::Table& t, const char* name) { return t.fieldByName(name).asString(); }
int32_t Integer(dbf::Table& t, const char* name) { return IntegerOrZero(t.fieldByName(name)); }

// Step 8: the transaction's changes in identifier order; its new and updated write-locked
// objects join the host's selection.
Aenderungen SelectChanges(int32_t TID) {
    Aenderungen a;
    ProjectTable list(kTransactionList, "idxKennung");
    HostUpdate update;
    for (list.first(); !list.eof(); list.next()) {
        if (Integer(list, "TID") != TID)
            continue;
        const std::string k = Text(list, "KENNUNG");
        const std::string c = Text(list, "CHANGED");
        if (c == "NEW") {
            a.slNewObjects.push_back(k);
            a.slObjectsWithFotos.push_back(k);
        } else if (c == "UPDATE") {
            a.slChangedObjects.push_back(k);
            a.slObjectsWithFotos.push_back(k);
        } else if (c == "DELETE") {
            a.slDeletedObjects.push_back(k);
        }
        if (WirdExportiert(Integer(list, "SCHREIBEND"), c)) {
            const int32_t id = fxGetIDFromKennung(k.c_str());
            if (id > 0) {
                fxAddToSelection(id);
                ++a.counter;
            }
        }
    }
    return a;
}

void AppendList(std::string& out, const std::string& heading, const std::vector<std::string>& items) {
    out += heading + " (" + std::to_string(items.size()) + ")\r\n";
    for (const std::string& k : items)
        out += k + "\r\n";
}

void WriteChangeReport(const std::string& path, const Aenderungen& a) {
    std::string out;
    AppendList(out, "Geänderte Objekte", a.slChangedObjects);
    out += "\r\n";
    AppendList(out, "Gelöschte Objekte", a.slDeletedObjects);
    out += "\r\n";
    AppendList(out, "Neue Objekte", a.slNewObjects);
    if (!os::WriteWholeFile(path, out))
        throw std::runtime_error("Der Änderungsbericht \"" + path + "\" kann nicht geschrieben werden.");
}

void WriteActionList(const std::string& FileNamePrefix, const std::string& ExportDir,
                     const std::vector<AktionsZeile>& rows) {
    const std::string ActionListName = FileNamePrefix + "_aktion.dbf";
    if (os::FileExists(ExportDir + ActionListName))
        os::DeleteFileAt(ExportDir + ActionListName);
    dbf::Table t(ExportDir, ActionListName, dbf::TableType::dBase);
    try {
        t.addFieldDef("KENNUNG", dbf::FieldType::Character, static_cast<int>(kAktionKennungWidth));
        t.addFieldDef("AKTION", dbf::FieldType::Character, 1);
        t.createTable();
    } catch (const std::exception& e) {
        ui::ShowMessage(e.what());
    }
    t.open();
    for (const auto& [kennung, aktion] : rows) {
        t.append();
        t.fieldByName("KENNUNG").setString(kennung);
        t.fieldByName("AKTION").setString(aktion);
        t.post();
    }
}

// Identifiers the action list cannot hold uncut, as lines of a message; empty when every one fits.
std::string ZuLangeKennungen(const std::vector<AktionsZeile>& rows) {
    std::vector<std::string> zuLang;
    for (const auto& row : rows)
        if (row.first.size() > kAktionKennungWidth)
            zuLang.push_back(row.first);
    return AufzaehlungZeilen(zuLang);
}

bool Confirmed() {
    return ui::MessageDlg("Bitte überprüfen Sie Konsistenz und Einheit des Raumbezugssystems \r"
                          "und führen Sie vor einem Transaktions-Export eine Projekt-Datenpflege durch!\r\r"
                          "Datenpflege bereits durchgeführt?",
                          ui::MsgType::Confirmation, ui::MsgButtons::YesNo) == ui::mrYes;
}

}  // namespace

std::vector<AktionsZeile> ActionListRows(int32_t TID) {
    std::vector<AktionsZeile> rows;
    ProjectTable list(kTransactionList, nullptr);
    for (list.first(); !list.eof(); list.next()) {
        if (Integer(list, "TID") != TID || Integer(list, "SCHREIBEND") == 0)
            continue;
        for (AktionsZeile& row : AktionenDerZeile(Text(list, "KENNUNG"), Text(list, "KENNUNGO"), Text(list, "CHANGED")))
            rows.push_back(std::move(row));
    }
    return rows;
}

void CreateActionList(const std::string& FileNamePrefix, const std::string& ExportDir, int32_t TID) {
    WriteActionList(FileNamePrefix, ExportDir, ActionListRows(TID));
}

std::string getExportName() {
    ui::FileDialogOptions options;
    options.filter = "Alle Dateien (*.*)|*.*";
    os::RegIniFile reg(settings::kPluginKey);
    options.initialDir = reg.ReadString(settings::kPluginSection, settings::kExportPath, "");
    options.fileName = reg.ReadString(settings::kPluginSection, settings::kFileNamePrefix, "").substr(0, 6);
    std::string chosen;
    if (!ui::SaveFileDialog(options, chosen))
        return std::string();
    reg.WriteString(settings::kPluginSection, settings::kExportPath, ExtractFilePath(chosen));
    return chosen;
}

int32_t VE1CustomExportProc(int32_t, int32_t, int32_t) {
    if (!Confirmed())
        return 0;
    if (!ProjectTableExists(kTransactionList)) {
        ui::MessageDlg("Das Projekt enthält keine Transaktionsdaten. Daher kann kein Export durchgeführt werden!",
                       ui::MsgType::Information);
        return 0;
    }
    const int32_t TID = GetTransaktionsIDExport();
    if (TID < 0) {
        ui::MessageDlg("Es konnte keine Transaktionsnummer ermittelt werden!", ui::MsgType::Error);
        return 0;
    }
    // What the check-in will refuse or never receive is shown before anything is written.
    if (!ExportTrotzMaengeln(TID))
        return 0;
    const std::string ExportName = getExportName();
    if (ExportName.empty())
        return 0;
    const std::string ExportDir = ExtractFilePath(ExportName);
    const std::string FileNamePrefix = ExtractFileName(ExportName).substr(0, 6);
    {
        os::RegIniFile reg(settings::kPluginKey);
        if (FileNamePrefix.find(' ') != std::string::npos) {
            ui::MessageDlg("Der Name der Exportdatei darf kein Leerzeichen enthalten!", ui::MsgType::Information);
            return 0;
        }
        reg.WriteString(settings::kPluginSection, settings::kFileNamePrefix, FileNamePrefix);
    }

    // Refused before anything is written: a path the host cannot take, an identifier the
    // action list would cut.
    const std::string strXml = ExportDir + FileNamePrefix + ".xml";
    const std::string strShp = ExportDir + FileNamePrefix + ".shp";
    if (strXml.size() > kHostPathMax || strShp.size() > kHostPathMax) {
        ui::MessageDlg("Der Pfad der Exportdateien ist zu lang: FELDIX nimmt höchstens " +
                           std::to_string(kHostPathMax) + " Zeichen an.\r\n" + strShp +
                           "\r\n\r\nBitte wählen Sie ein Verzeichnis mit kürzerem Pfad. Es wurde keine Datei geschrieben.",
                       ui::MsgType::Error);
        return 0;
    }
    std::vector<AktionsZeile> aktionen;
    {
        os::BusyCursor busy;
        aktionen = ActionListRows(TID);
    }
    if (const std::string zuLang = ZuLangeKennungen(aktionen); !zuLang.empty()) {
        ui::MessageDlg("Diese Kennungen sind länger als " + std::to_string(kAktionKennungWidth) +
                           " Zeichen und können nicht an VESTRA übergeben werden:" + zuLang +
                           "\r\n\r\nDer Export wurde abgebrochen. Es wurde keine Datei geschrieben.",
                       ui::MsgType::Error);
        return 0;
    }

    // The plug-in's members are written aside and put in place at the end, the action list
    // last; a failure before leaves no set that a check-in takes for complete.
    ExportStaging staging(ExportDir, FileNamePrefix);
    Aenderungen a;
    {
        os::BusyCursor busy;
        fxDeselectAll();
        a = SelectChanges(TID);
        WriteChangeReport(staging.Dir() + FileNamePrefix + "_rp.txt", a);
    }
    {
        os::IniFile tid(staging.Dir() + FileNamePrefix + ".tid");
        tid.WriteInteger("Transaktionsdaten", "Transaktion", TID);
        tid.WriteInteger("Transaktionsdaten", "GK-Streifen", a.counter > 0 ? GetGKStreifen() : 17);
        tid.UpdateFile();
    }
    {
        os::BusyCursor busy;
        {
            NoChangeFlag flag;
            fxExportDataXML(strXml.c_str(), 0, -1);
            fxExportGeodaten(strShp.c_str(), 10, 0, 0);
        }
        busy.Pause();  // a failed creation is reported in a message box
        WriteActionList(FileNamePrefix, staging.Dir(), aktionen);
        busy.Resume();
        ExportFotoTabelle(FileNamePrefix, staging.Dir(), a.slObjectsWithFotos);
        staging.Commit();
    }
    StartVestraCheckIn(ExportDir, FileNamePrefix);
    return -1;
}

void StartVestraCheckIn(const std::string& ExportDir, const std::string& FileNamePrefix) {
    if (ReadIntFromApplicatIni(settings::kApplicatSection, settings::kApplicatAutoCheckIn,
                               settings::kApplicatAutoCheckInDefault) <= 0)
        return;
    TfrmVestraCheckIn form;
    form.TransactionDir = WithOutSlash(ExportDir);
    form.TransactionName = FileNamePrefix;
    form.InitControls();
    form.ShowModal();
}
