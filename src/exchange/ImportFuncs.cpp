#include "exchange/ImportFuncs.h"

#include <set>

#include "exchange/ImportMembers.h"
#include "host/fxAPI32.h"
#include "photos/DataModule.h"
#include "platform/os/Cursor.h"
#include "platform/os/Registry.h"
#include "platform/ui/Dialogs.h"
#include "store/CreateLocalTables.h"
#include "store/ProjectTables.h"
#include "store/TableUnit.h"
#include "store/TransActTools.h"
#include "util/Settings.h"
#include "util/Tools.h"
#include "util/Utils.h"

namespace {

void EnsureListAndPool() {
    CreateTransactionList(kTransactionList);
    CreateKennungList();
}

void MergeObjektListe(const std::vector<ImportObjekt>& rows) {
    ProjectTable target(kTransactionList, "idxOKenn");
    ProjectTable pool(kKennungList, "idxKennung");
    for (const ImportObjekt& source : rows) {
        const std::string& k = source.KENNUNG;
        const int32_t id = fxGetIDFromKennung(k.c_str());
        if (id > 0)
            fxDeleteObject(id);  // the delete hook may change the list: look up afterwards
        if (FindKennung(target, k)) {
            target.edit();
            const int32_t storedTID = target.fieldByName("TID").asInteger();
            dbf::Field& schreibend = target.fieldByName("SCHREIBEND");
            const int32_t storedState = IntegerOrZero(schreibend);
            const bool sameTID = storedTID == source.TID;
            if (sameTID || IsHigherState(source.SCHREIBEND, storedState)) {
                target.fieldByName("TID").setInteger(source.TID);
                target.fieldByName("FELDIXID").setInteger(source.FELDIXID);
                target.fieldByName("VGNR").setInteger(source.VGNR);
                schreibend.setInteger(source.SCHREIBEND);
                target.fieldByName("CHANGED").setString("IGNORED");
            }
            target.fieldByName("KENNUNG").setString(k);
            target.post();
        } else {
            target.append();
            target.fieldByName("TID").setInteger(source.TID);
            target.fieldByName("FELDIXID").setInteger(source.FELDIXID);
            target.fieldByName("VGNR").setInteger(source.VGNR);
            target.fieldByName("SCHREIBEND").setInteger(source.SCHREIBEND);
            target.fieldByName("KENNUNG").setString(k);
            target.fieldByName("KENNUNGO").setString(k);
            target.fieldByName("CHANGED").setString("IGNORED");
            target.post();
        }
        while (FindKennung(pool, k))
            pool.deleteRecord();
    }
}

// Records the transaction unless TA_ID.DBF holds it; a file without a usable number is reported.
void RecordTransaktion(const ImportTransaktion& data) {
    CreateTransactionIDTable();
    if (data.TID == -1) {
        ui::MessageDlg("Die Transaktions-ID wurde nicht korrekt übermittelt!", ui::MsgType::Error);
        return;
    }
    ProjectTable ids(kTransactionIDs, "idxTID");
    if (ids.findKey(data.TID))
        return;
    ids.append();
    ids.fieldByName("TID").setInteger(data.TID);
    ids.fieldByName("NAME").setString(data.Name);
    ids.fieldByName("OWNER").setString(data.Owner);
    ids.post();
}

// Whether a live row of the list (read-locked, write-locked or new) carries the identifier;
// looked up through the list's identifier index, which compares as the pool's does.
bool LiveRowCarries(dbf::Table& list, const std::string& k) {
    if (!list.active() || k.empty())
        return false;
    list.setRange(k, k);
    bool live = false;
    for (list.first(); !live && !list.eof(); list.next()) {
        const int32_t schreibend = IntegerOrZero(list.fieldByName("SCHREIBEND"));
        live = schreibend == 0 || schreibend == 1 || schreibend == 2;
    }
    list.cancelRange();
    return live;
}

// An identifier joins the pool only when it is free: in no pool, on no live row of the list
// (whose object the host's import may not have made), on no host object.
void MergeKennungListe(const std::vector<ImportKennung>& rows) {
    ProjectTable pool(kKennungList, "idxKennung");
    ProjectTable list(kTransactionList, "idxKennung", ProjectTable::Missing::LeaveClosed);
    for (const ImportKennung& source : rows) {
        if (FindKennung(pool, source.KENNUNG) || LiveRowCarries(list, source.KENNUNG) ||
            fxKennungExists(source.KENNUNG.c_str()) != 0)
            continue;
        pool.append();
        pool.fieldByName("TID").setInteger(source.TID);
        pool.fieldByName("KENNUNG").setString(source.KENNUNG);
        pool.post();
    }
}

// Every local table the import writes, created when missing and checked to take changes,
// before the first host object is deleted.
void RequireLocalTablesWritable() {
    try {
        EnsureListAndPool();
        CreateTransactionIDTable();
        for (const char* name : {kTransactionList, kKennungList, kTransactionIDs}) {
            ProjectTable t(name, nullptr);
            t.requireWritable();
        }
    } catch (const std::exception& e) {
        throw ImportError(std::string("Die Transaktionsdaten des Projekts können nicht geändert werden:\r\n") +
                          e.what() + "\r\n\r\nDer Import wurde nicht begonnen, das Projekt ist unverändert.");
    }
}

// The project database takes changes (the photo import and the host's attribute import write
// into it); a file that is missing, locked, read-only or damaged refuses the import.
void RequireProjectDatabaseWritable() {
    try {
        RequirePrjDatabaseWritable(MyGetProjectDB());
    } catch (const std::exception& e) {
        throw ImportError(std::string("Die Projektdatenbank kann nicht geändert werden:\r\n") + e.what() +
                          "\r\n\r\nDer Import wurde nicht begonnen, das Projekt ist unverändert.");
    }
}

bool Unsent(dbf::Table& list) {
    const std::string c = list.fieldByName("CHANGED").asString();
    return c == "UPDATE" || c == "NEW" || c == "DELETE";
}

// The objects of the checkout whose rows hold changes not yet sent to VESTRA, as
// "KENNUNG (Transaktion n)", in the checkout's order: the row the merge takes (the first by
// the checkout's identifier) and, where a host object carries the identifier, the row its
// deletion changes through the delete hook (the first by the current identifier).
std::vector<std::string> UngesendeteAenderungen(const std::vector<ImportObjekt>& rows) {
    std::vector<std::string> found;
    ProjectTable byOrg(kTransactionList, "idxOKenn", ProjectTable::Missing::LeaveClosed);
    if (!byOrg.active())
        return found;
    ProjectTable byKennung(kTransactionList, "idxKennung");
    std::set<int> seen;  // record numbers already named
    const auto take = [&](dbf::Table& list) {
        if (Unsent(list) && seen.insert(list.recordNumber()).second)
            found.push_back(list.fieldByName("KENNUNG").asString() + " (Transaktion " +
                            std::to_string(IntegerOrZero(list.fieldByName("TID"))) + ")");
    };
    for (const ImportObjekt& source : rows) {
        if (FindKennung(byOrg, source.KENNUNG))
            take(byOrg);
        if (fxGetIDFromKennung(source.KENNUNG.c_str()) > 0 && FindKennung(byKennung, source.KENNUNG))
            take(byKennung);
    }
    return found;
}

// Asks once before the import replaces unsent changes; true to go on (also when there are none).
bool ConfirmReplacingUnsent(const std::vector<ImportObjekt>& rows) {
    std::vector<std::string> objekte;
    {
        os::BusyCursor busy;
        objekte = UngesendeteAenderungen(rows);
    }
    if (objekte.empty())
        return true;
    return ui::MessageDlg("Diese Objekte der Transaktion haben im Projekt Änderungen, die noch nicht an VESTRA "
                          "übergeben wurden:" +
                              AufzaehlungZeilen(objekte) +
                              "\r\n\r\nDer Import ersetzt ihre lokalen Änderungen durch den Stand aus VESTRA. "
                              "Trotzdem importieren?",
                          ui::MsgType::Confirmation, ui::MsgButtons::YesNo) == ui::mrYes;
}

// Runs a check of the import before its first change; a refusal is shown and gives false.
template <class Check>
bool Passes(Check check) {
    try {
        os::BusyCursor busy;
        check();
        return true;
    } catch (const ImportError& e) {
        ui::MessageDlg(e.what(), ui::MsgType::Error);
        return false;
    }
}

// The base path (and XML file) the host reads, spelt as the directory holds the members.
std::string HostBasePath(const std::string& ImportDir, const std::string& prefix) {
    const std::string shp = MemberName(ImportDir, prefix + ".shp");
    const std::string base = shp.size() == prefix.size() + 4 ? shp.substr(0, prefix.size()) : prefix;
    return ImportDir + base;
}

}  // namespace

bool IsHigherState(int32_t Status1, int32_t Status2) {
    switch (Status2) {
    case 1:
        return false;
    case 0:
        return Status1 == 1;
    case 2:
        return Status1 == 0 || Status1 == 1;
    default:
        return Status1 != 3;
    }
}

void ImportTransActionList(const std::string& ImportFileName, const std::string& ImportDir) {
    AsOneChange([&] {
        EnsureListAndPool();
        if (const auto rows = ReadObjektListe(ImportFileName, ImportDir))
            MergeObjektListe(*rows);
    });
}

void ImportTransActionNumbers(const std::string& ImportFileName, const std::string& ImportDir) {
    AsOneChange([&] { RecordTransaktion(ReadTransaktionsDatei(ImportFileName, ImportDir)); });
}

void ImportKennungList(const std::string& ImportFileName, const std::string& ImportDir) {
    AsOneChange([&] {
        CreateKennungList();
        if (const auto rows = ReadKennungListe(ImportFileName, ImportDir))
            MergeKennungListe(*rows);
    });
}

int16_t VE1CustomImportProc() {
    std::string chosen;
    {
        os::RegIniFile reg(settings::kPluginKey);
        ui::FileDialogOptions options;
        options.initialDir = reg.ReadString(settings::kPluginSection, settings::kImportDir, "");
        if (!ui::OpenFileDialog(options, chosen))
            return 0;
    }
    const std::string prefix = getFilenamePrefix(chosen);
    const std::string ImportDir = ExtractFilePath(chosen);  // ends in its delimiter
    os::RegIniFile(settings::kPluginKey).WriteString(settings::kPluginSection, settings::kImportDir, ImportDir);

    // Everything the plug-in reads itself is read before anything changes.
    std::optional<std::vector<ImportObjekt>> objekte;
    std::optional<std::vector<ImportKennung>> kennungen;
    ImportTransaktion transaktion;
    const bool read = Passes([&] {
        objekte = ReadObjektListe(prefix + "t.dbf", ImportDir);
        transaktion = ReadTransaktionsDatei(prefix + ".tid", ImportDir);
        kennungen = ReadKennungListe(prefix + "kl.dbf", ImportDir);
        CheckFotoTabelle(prefix + "pc.dbf", ImportDir);
        RequireProjectDatabaseWritable();
    });
    if (!read)
        return 0;
    // Unsent changes are replaced only on the user's word; the missing local tables are made
    // only after it.
    if (objekte && !ConfirmReplacingUnsent(*objekte))
        return 0;
    if (!Passes(RequireLocalTablesWritable))
        return 0;

    // The local tables exist from here on (RequireLocalTablesWritable made the missing ones).
    {
        os::BusyCursor busy;
        if (objekte)
            MergeObjektListe(*objekte);
    }
    RecordTransaktion(transaktion);
    {
        os::BusyCursor busy;
        fxImportGeodaten(HostBasePath(ImportDir, prefix).c_str(), 10, -1);
        fxImportDataXML((ImportDir + MemberName(ImportDir, prefix + ".xml")).c_str(), -1);
        if (kennungen)
            MergeKennungListe(*kennungen);
    }
    ImportFotos(MemberName(ImportDir, prefix + "pc.dbf"), MemberName(ImportDir, prefix + "_Fotos"), ImportDir);
    fxActivateMap();
    fxRedraw();
    return -1;
}
