#include "exchange/ImportFuncs.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "photos/DataModule.h"
#include "platform/dbf/DbfTable.h"
#include "platform/os/Files.h"
#include "platform/ui/Dialogs.h"
#include "store/ProjectTables.h"
#include "util/Tools.h"
#include "util/Utils.h"

namespace {

// Imported pictures that went into the photo directory under another name: file name in the
// exchange table -> file name in the project.
using Umbenennungen = std::map<std::string, std::string>;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Picture names of photos captured here that have not gone to VESTRA yet (lower case, as
// Windows compares file names). Such a picture is the only copy there is.
std::set<std::string> LokaleBilder() {
    const std::shared_ptr<TdmFotoverwaltung> dm = OpenFotoverwaltung();
    adodb::Table& t = dm->ADOTblFotos;
    std::set<std::string> names;
    for (t.first(); !t.eof(); t.next())
        if (t.fieldByName("IsNew").asInteger() == FotoLokal)
            names.insert(Lower(t.fieldByName("PicFileName").asString()));
    return names;
}

// A name for the picture beside the one it must not replace: name_1.jpg, name_2.jpg, ...,
// short enough for the table's file name column.
std::string FreierName(const std::string& strDir, const std::string& strName) {
    const size_t dot = strName.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : strName.substr(dot);
    const std::string stem = strName.substr(0, strName.size() - ext.size());
    for (int n = 1;; ++n) {
        const std::string suffix = "_" + std::to_string(n) + ext;
        const std::string candidate = stem.substr(0, 50 - std::min<size_t>(50, suffix.size())) + suffix;
        if (!os::FileExists(strDir + "\\" + candidate) && !os::DirExists(strDir + "\\" + candidate))
            return candidate;
    }
}

void ImportFotoListRenamed(const std::string& ImportFileName, const std::string& ImportDir,
                           const Umbenennungen& renamed) {
    if (!os::FileExists(WithSlash(ImportDir) + ImportFileName))
        return;
    const std::shared_ptr<TdmFotoverwaltung> dm = OpenFotoverwaltung();
    adodb::Table& fotos = dm->ADOTblFotos;
    dbf::Table t(ImportDir, ImportFileName, dbf::TableType::dBase);
    t.open();
    auto integer = [&t](const char* name) { return IntegerOrZero(t.fieldByName(name)); };
    for (t.first(); !t.eof(); t.next()) {
        const int32_t PhotoID = integer("PhotoID");
        const int32_t RW = integer("RW");
        const int32_t HW = integer("HW");
        const int32_t Richtung = integer("Richtung");
        const std::string Kurzname = t.fieldByName("Kurzname").asString();
        std::string Datei = t.fieldByName("Datei").asString();
        const std::string Quelle = t.fieldByName("Quelle").asString();
        const std::string Beschr = t.fieldByName("Beschr").asString();
        dbf::Field& datum = t.fieldByName("Datum");
        const dbf::Date Datum = datum.isNull() ? dbf::Date{} : datum.asDate();
        if (fotos.locate("FotoID", adodb::Value{int64_t{PhotoID}}))
            continue;
        if (auto it = renamed.find(Lower(Datei)); it != renamed.end())
            Datei = it->second;
        fotos.append();
        fotos.fieldByName("FotoID").setInteger(PhotoID);
        fotos.fieldByName("Kurzname").setString(Kurzname);
        fotos.fieldByName("RW").setInteger(RW);
        fotos.fieldByName("HW").setInteger(HW);
        fotos.fieldByName("Blickrichtung").setInteger(Richtung);
        fotos.fieldByName("Aufnahmedatum").setDate(adodb::Date{Datum.year, Datum.month, Datum.day});
        fotos.fieldByName("Quelle").setString(Quelle);
        fotos.fieldByName("Bildbeschreibung").setString(Beschr);
        fotos.fieldByName("PicFileName").setString(Datei);
        fotos.fieldByName("IsNew").setInteger(FotoVonVestra);
        fotos.post();
    }
}

}  // namespace

void ImportFotos(const std::string& ImportFileName, const std::string& DirName, const std::string& ImportDir) {
    if (!os::FileExists(WithSlash(ImportDir) + ImportFileName))
        return;
    const std::string strSourceDir = WithSlash(ImportDir) + DirName;
    const std::string strTargetDir = MyGetProjectDir() + "FXPhotos";
    if (!DirExists(strTargetDir))
        return;
    // One directory may be spelt in many ways; replacing a picture by itself would delete it.
    if (strSourceDir == strTargetDir || os::SameDirectory(strSourceDir, strTargetDir)) {
        ui::MessageDlg("Das Transaktions- und das FELDIX-Projektverzeichnis müssen voneinander getrennt sein um "
                       "Fotos zu importieren!",
                       ui::MsgType::Error);
        return;
    }
    std::vector<std::string> sl;
    ReadDirectroyFiles(strSourceDir, "*.jpg", sl);
    Umbenennungen renamed;
    std::optional<std::set<std::string>> lokal;  // read only when a picture is to be replaced
    for (const std::string& strName : sl) {
        const std::string strSource = strSourceDir + "\\" + strName;
        if (!os::FileExists(strSource))
            continue;  // a directory of that name: there is nothing to copy
        std::string strTarget = strTargetDir + "\\" + strName;
        if (os::FileExists(strTarget)) {
            if (!lokal)
                lokal = LokaleBilder();
            if (lokal->count(Lower(strName))) {
                // The picture of a local photo not yet sent stays; the imported one goes beside it.
                const std::string strNew = FreierName(strTargetDir, strName);
                renamed[Lower(strName)] = strNew;
                strTarget = strTargetDir + "\\" + strNew;
            } else {
                os::DeleteFileAt(strTarget);
            }
        }
        os::CopyFileTo(strSource, strTarget, false);
    }
    ImportFotoListRenamed(ImportFileName, ImportDir, renamed);
}

void ImportFotoList(const std::string& ImportFileName, const std::string& ImportDir) {
    ImportFotoListRenamed(ImportFileName, ImportDir, {});
}
