#include "exchange/ExportCheck.h"

#include <map>
#include <set>

#include "exchange/ExportFotos.h"
#include "exchange/ExportRows.h"
#include "host/fxAPI32.h"
#include "photos/DataModule.h"
#include "platform/os/Cursor.h"
#include "platform/os/Files.h"
#include "platform/ui/Dialogs.h"
#include "store/ProjectTables.h"
#include "util/Tools.h"
#include "util/Utils.h"

namespace {

// One row of the transaction in the list, as the export reads it.
struct Zeile {
    std::string KENNUNG, KENNUNGO, CHANGED;
    int32_t SCHREIBEND = 0, FELDIXID = 0;
};

std::vector<Zeile> ZeilenDerTransaktion(int32_t TID) {
    std::vector<Zeile> rows;
    ProjectTable list(kTransactionList, nullptr);
    for (list.first(); !list.eof(); list.next()) {
        if (IntegerOrZero(list.fieldByName("TID")) != TID)
            continue;
        rows.push_back({list.fieldByName("KENNUNG").asString(), list.fieldByName("KENNUNGO").asString(),
                        list.fieldByName("CHANGED").asString(), IntegerOrZero(list.fieldByName("SCHREIBEND")),
                        IntegerOrZero(list.fieldByName("FELDIXID"))});
    }
    return rows;
}

bool AufDerKarte(const std::string& k) { return !k.empty() && fxGetIDFromKennung(k.c_str()) > 0; }

bool Geaendert(const std::string& c) { return c == "UPDATE" || c == "NEW" || c == "DELETE"; }

// Adds the name once to the kind's list.
void Nenne(std::vector<std::string>& list, const std::string& name) {
    for (const std::string& n : list)
        if (n == name)
            return;
    list.push_back(name);
}

// Local photos of the objects whose photos go out, whose picture the photo directory lacks:
// "identifier: file".
std::vector<std::string> FehlendeBilder(const std::vector<Zeile>& rows) {
    std::vector<std::string> objekte;
    for (const Zeile& r : rows)
        if (r.CHANGED == "NEW" || r.CHANGED == "UPDATE")
            objekte.push_back(r.KENNUNG);
    std::vector<std::string> fehlend;
    if (objekte.empty())
        return fehlend;
    const std::shared_ptr<TdmFotoverwaltung> dm = OpenFotoverwaltung();
    const std::string dir = MyGetProjectDir() + "FXPhotos\\";
    for (const auto& [kennung, fotoId] : LokaleFotoLinks(*dm, objekte)) {
        dm->ADOTblFotos.locate("FotoID", adodb::Value{int64_t{fotoId}});
        const std::string datei = dm->ADOTblFotos.fieldByName("PicFileName").asString();
        if (datei.empty() || !os::FileExists(dir + datei))
            Nenne(fehlend, kennung + ": " + (datei.empty() ? "Foto " + std::to_string(fotoId) : datei));
    }
    return fehlend;
}

}  // namespace

std::vector<ExportMangel> ExportMaengel(int32_t TID) {
    const std::vector<Zeile> rows = ZeilenDerTransaktion(TID);
    // The identifiers whose objects the host's geodata and attribute export will carry.
    std::set<std::string> exportiert;
    for (const Zeile& r : rows)
        if (WirdExportiert(r.SCHREIBEND, r.CHANGED) && AufDerKarte(r.KENNUNG))
            exportiert.insert(r.KENNUNG);

    std::vector<std::string> ohneKarte, leserecht, nichtSchreibend, ohneKennung, doppelt;
    std::map<std::string, int> traeger;  // identifier -> rows of living objects carrying it
    for (const Zeile& r : rows) {
        if (r.SCHREIBEND != 3 && r.CHANGED != "DELETE" && !r.KENNUNG.empty() && ++traeger[r.KENNUNG] == 2)
            doppelt.push_back(r.KENNUNG);
        if (r.SCHREIBEND == 0) {
            // Not in the action list at all: a change of it is lost on the way.
            if (Geaendert(r.CHANGED))
                Nenne(leserecht, r.KENNUNG);
            continue;
        }
        for (const auto& [kennung, aktion] : AktionenDerZeile(r.KENNUNG, r.KENNUNGO, r.CHANGED)) {
            if (kennung.empty()) {
                Nenne(ohneKennung, "Objekt mit der ID " + std::to_string(r.FELDIXID));
                continue;
            }
            const bool sendet = aktion == "N" || aktion == "U";
            // VESTRA changes or deletes only what is checked out write-locked to the transaction.
            const bool gesperrt = (aktion == "U" || aktion == "D") && r.SCHREIBEND != 1 && r.SCHREIBEND != 3;
            if (sendet && !exportiert.count(kennung) && !AufDerKarte(kennung))
                Nenne(ohneKarte, kennung);
            else if (gesperrt || (sendet && !exportiert.count(kennung)))
                Nenne(nichtSchreibend, kennung);
        }
    }

    std::vector<ExportMangel> maengel;
    const auto kind = [&maengel](const char* art, std::vector<std::string> objekte) {
        if (!objekte.empty())
            maengel.push_back({art, std::move(objekte)});
    };
    kind("Neue oder geänderte Objekte, die nicht in der Karte sind (ihre Geodaten fehlen):", ohneKarte);
    kind("Geänderte Objekte, die nur lesend ausgecheckt sind (ihre Änderung wird nicht übergeben):", leserecht);
    kind("Geänderte Objekte, die nicht schreibend ausgecheckt sind (VESTRA nimmt ihre Änderung nicht an):",
         nichtSchreibend);
    kind("Objekte ohne Kennung:", ohneKennung);
    kind("Kennungen, die mehrere Objekte der Transaktion tragen:", doppelt);
    kind("Fotos, deren Bilddatei im Projekt fehlt:", FehlendeBilder(rows));
    ProjectTable ids(kTransactionIDs, "idxTID", ProjectTable::Missing::LeaveClosed);
    if (!ids.active() || !ids.findKey(TID))
        maengel.push_back({"Die Transaktion ist in TA_ID.DBF nicht verzeichnet.", {}});
    return maengel;
}

std::string ExportMaengelFrage(int32_t TID, const std::vector<ExportMangel>& maengel) {
    std::string text = "Der Export der Transaktion " + std::to_string(TID) + " wird nicht vollständig in VESTRA ankommen:";
    for (const ExportMangel& m : maengel)
        text += "\r\n\r\n" + m.Art + AufzaehlungZeilen(m.Objekte);
    return text + "\r\n\r\nTrotzdem exportieren?";
}

bool ExportTrotzMaengeln(int32_t TID) {
    std::vector<ExportMangel> maengel;
    {
        os::BusyCursor busy;
        maengel = ExportMaengel(TID);
    }
    return maengel.empty() || ui::MessageDlg(ExportMaengelFrage(TID, maengel), ui::MsgType::Confirmation,
                                             ui::MsgButtons::YesNo) == ui::mrYes;
}
