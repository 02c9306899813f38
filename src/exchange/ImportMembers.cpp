#include "exchange/ImportMembers.h"

#include <fstream>

#include "platform/dbf/DbfTable.h"
#include "platform/os/Files.h"
#include "platform/os/IniFile.h"
#include "platform/os/Mask.h"
#include "store/ProjectTables.h"

namespace {

// The directory with a delimiter, '\' only where it has none ('/' is one too).
std::string Dir(const std::string& ImportDir) {
    if (!ImportDir.empty() && (ImportDir.back() == '/' || ImportDir.back() == '\\'))
        return ImportDir;
    return ImportDir + '\\';
}

std::string Unlesbar(const std::string& path, const std::string& grund) {
    return "Die Datei \"" + path + "\" der Transaktion kann nicht gelesen werden:\r\n" + grund +
           "\r\n\r\nDer Import wurde nicht begonnen, das Projekt ist unverändert.";
}

// "read as integer": a number or a text holding one; an empty value counts as 0.
int32_t Ganzzahl(dbf::Table& t, const char* name) { return IntegerOrZero(t.fieldByName(name)); }

// Opens the member and hands each row to onRow; every engine failure becomes an ImportError
// naming the file.
template <class OnRow>
bool ReadRows(const std::string& ImportFileName, const std::string& ImportDir, OnRow onRow) {
    const std::string name = MemberName(ImportDir, ImportFileName);
    const std::string path = Dir(ImportDir) + name;
    if (!os::FileExists(path))
        return false;
    try {
        dbf::Table t(Dir(ImportDir), name, dbf::TableType::dBase);
        t.open();
        for (t.first(); !t.eof(); t.next())
            onRow(t);
    } catch (const std::exception& e) {
        throw ImportError(Unlesbar(path, e.what()));
    }
    return true;
}

}  // namespace

std::string MemberName(const std::string& ImportDir, const std::string& FileName) {
    if (FileName.empty() || FileName.find_first_of("*?") != std::string::npos)
        return FileName;
    // Spelt as the directory holds it, also where the file system ignores letter case, so that
    // messages name the file the user sees.
    std::string found;
    for (const std::string& entry : os::ListDirectory(Dir(ImportDir) + "*")) {
        if (entry == FileName)
            return entry;
        if (found.empty() && entry.size() == FileName.size() && os::MatchMask(FileName, entry))
            found = entry;
    }
    return found.empty() ? FileName : found;
}

std::optional<std::vector<ImportObjekt>> ReadObjektListe(const std::string& ImportFileName, const std::string& ImportDir) {
    std::vector<ImportObjekt> rows;
    const bool present = ReadRows(ImportFileName, ImportDir, [&rows](dbf::Table& t) {
        ImportObjekt o;
        o.KENNUNG = t.fieldByName("KENNUNG").asString();
        o.TID = Ganzzahl(t, "TID");
        o.FELDIXID = Ganzzahl(t, "FELDIXID");
        o.VGNR = Ganzzahl(t, "VGNR");
        o.SCHREIBEND = Ganzzahl(t, "SCHREIBEND");
        rows.push_back(std::move(o));
    });
    if (!present)
        return std::nullopt;
    return rows;
}

std::optional<std::vector<ImportKennung>> ReadKennungListe(const std::string& ImportFileName, const std::string& ImportDir) {
    std::vector<ImportKennung> rows;
    const bool present = ReadRows(ImportFileName, ImportDir, [&rows](dbf::Table& t) {
        rows.push_back({t.fieldByName("KENNUNG").asString(), Ganzzahl(t, "TID")});
    });
    if (!present)
        return std::nullopt;
    return rows;
}

ImportTransaktion ReadTransaktionsDatei(const std::string& ImportFileName, const std::string& ImportDir) {
    const std::string path = Dir(ImportDir) + MemberName(ImportDir, ImportFileName);
    ImportTransaktion result;
    if (!os::FileExists(path))
        return result;
    if (!std::ifstream(os::NativePath(path), std::ios::binary))
        throw ImportError(Unlesbar(path, "Die Datei lässt sich nicht öffnen."));
    os::IniFile ini(path);
    result.TID = ini.ReadInteger("Transaktionsdaten", "Transaktion", -1);
    result.Name = ini.ReadString("Transaktionsdaten", "Name", "unbekannt");
    result.Owner = ini.ReadString("Transaktionsdaten", "Owner", "unbekannt");
    return result;
}

void CheckFotoTabelle(const std::string& ImportFileName, const std::string& ImportDir) {
    ReadRows(ImportFileName, ImportDir, [](dbf::Table& t) {
        for (const char* name : {"PhotoID", "RW", "HW", "Richtung"})
            Ganzzahl(t, name);
        for (const char* name : {"Kurzname", "Datei", "Quelle", "Beschr"})
            t.fieldByName(name).asString();
        dbf::Field& datum = t.fieldByName("Datum");
        if (!datum.isNull())
            datum.asDate();
    });
}
