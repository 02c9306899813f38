// The photo export and import on a project of the host stand-in, for the interoperability
// checks (UTF-8 in and out; in rows \n, \r, \t and \\ are escaped and \N is null).
//   phototool export DIR PREFIX   photos from stdin (FotoID, Kurzname, RW, HW, Blickrichtung,
//                                 Aufnahmedatum, Quelle, PicFileName, Bildbeschreibung; all
//                                 local, linked to one object) exported into DIR
//   phototool import DIR PREFIX   the exchange set in DIR imported; the rows of Fotos on stdout
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/ExportFuncs.h"
#include "exchange/ImportFuncs.h"
#include "host/Pictures.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "photos/DataModule.h"
#include "photos/EnsureDataBase.h"
#include "platform/ui/Cp1252.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kColumns = {"FotoID", "Kurzname", "RW", "HW", "Blickrichtung", "Aufnahmedatum",
                                           "Quelle", "PicFileName", "Bildbeschreibung", "IsNew"};

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    return out;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s)
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : c == '\\' ? "\\\\" : std::string(1, c);
    return out;
}

// A project of the stand-in in DIR/Projekt with its database, the table Fotos and FXPhotos.
void MakeProject(const fs::path& dir) {
    sim::Project& p = sim::TheProject();
    p.projectDir = (dir / "Projekt").string();
    fs::create_directories(p.projectDir);
    p.projectDB = (dir / "Projekt" / "Projekt.db").string();
    sim::CreateProjectDatabase(p.projectDB);
    EnsureTableFotos();
    EnsureSubDirFotos();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: phototool export|import DIR PREFIX\n";
        return 2;
    }
    const std::string cmd = argv[1], prefix = argv[3];
    const fs::path dir = argv[2];
    try {
        MakeProject(dir);
        const std::string db = sim::TheProject().projectDB;
        if (cmd == "export") {
            sim::TheProject().objects[1] = sim::GeoObject{1, "OBJ-1", 1, 1, 0, 0};
            std::string line;
            unsigned seed = 0;
            while (std::getline(std::cin, line)) {
                std::istringstream in(line);
                sim::Row row;
                std::string cell;
                for (size_t i = 0; i < 9 && std::getline(in, cell, '\t'); ++i)
                    row[kColumns[i]] = cell == "\\N" ? "" : ui::Utf8ToCp1252(Unescape(cell));
                row["IsNew"] = "3";
                sim::InsertDbRow(db, "Fotos", row);
                sim::InsertDbRow(db, "Objektphotos", {{"FELDIXID", "1"}, {"PhotoID", row["FotoID"]}});
                sim::WriteJpeg((dir / "Projekt" / "FXPhotos" / row["PicFileName"]).string(), 8, 8, ++seed);
            }
            ExportFotoTabelle(prefix, dir.string() + "/", {"OBJ-1"});
            return 0;
        }
        if (cmd == "import") {
            ImportFotos(prefix + "pc.dbf", prefix + "_Fotos", dir.string());
            ReleaseFotoverwaltung();
            for (const sim::Row& r : sim::ReadDbRows(db, "Fotos")) {
                std::string out;
                for (const std::string& c : kColumns)
                    out += (out.empty() ? "" : "\t") + Escape(ui::Cp1252ToUtf8(r.at(c)));
                std::cout << out << "\n";
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << ui::Cp1252ToUtf8(e.what()) << "\n";
        return 1;
    }
    std::cerr << "unknown command " << cmd << "\n";
    return 2;
}
