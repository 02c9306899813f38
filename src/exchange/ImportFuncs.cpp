#include "exchange/ImportFuncs.h"

#include "exchange/ImportMembers.h"
#include "host/fxAPI32.h"
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

void MergeKennungListe(const std::vector<ImportKennung>& rows) {
    ProjectTable pool(kKennungList, "idxKennung");
    for (const ImportKennung& source : rows) {
        if (FindKennung(pool, source.KENNUNG) || fxKennungExists(source.KENNUNG.c_str()) != 0)
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
    try {
        os::BusyCursor busy;
        objekte = ReadObjektListe(prefix + "t.dbf", ImportDir);
        transaktion = ReadTransaktionsDatei(prefix + ".tid", ImportDir);
        kennungen = ReadKennungListe(prefix + "kl.dbf", ImportDir);
        CheckFotoTabelle(prefix + "pc.dbf", ImportDir);
        RequireLocalTablesWritable();
    } catch (const ImportError& e) {
        ui::MessageDlg(e.what(), ui::MsgType::Error);
        return 0;
    }

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
