#include "exchange/ExportStaging.h"

#include <stdexcept>
#include <vector>

#include "platform/os/Files.h"
#include "util/Utils.h"

namespace {

// The files of a directory (no subdirectories), by name.
std::vector<std::string> Files(const std::string& dir, const std::string& mask = "*") {
    std::vector<std::string> names;
    for (const std::string& n : os::ListDirectory(dir + mask))
        if (n != "." && n != ".." && os::FileExists(dir + n))
            names.push_back(n);
    return names;
}

// The directory with everything in it; what cannot be removed stays.
void RemoveTree(const std::string& dir) {
    for (const std::string& n : os::ListDirectory(dir + "*")) {
        if (n == "." || n == "..")
            continue;
        if (os::DirExists(dir + n))
            RemoveTree(dir + n + "\\");
        else
            os::DeleteFileAt(dir + n);
    }
    os::RemoveDir(WithOutSlash(dir));
}

bool HasExtension(const std::string& name, const char* ext) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string e = name.substr(dot + 1);
    for (char& c : e)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return e == ext;
}

void Place(const std::string& from, const std::string& to) {
    if (!os::MoveFileOver(from, to))
        throw std::runtime_error("Die Datei \"" + to + "\" der Transaktion kann nicht geschrieben werden.");
}

}  // namespace

ExportStaging::ExportStaging(const std::string& ExportDir, const std::string& FileNamePrefix)
    : exportDir_(WithSlash(ExportDir)), prefix_(FileNamePrefix), dir_(exportDir_ + "~" + FileNamePrefix + "\\") {
    const std::string actionList = exportDir_ + prefix_ + "_aktion.dbf";
    if (os::FileExists(actionList) && !os::DeleteFileAt(actionList))
        throw std::runtime_error("Die Aktionsliste \"" + actionList +
                                 "\" kann nicht gelöscht werden. Es wurde keine Datei geschrieben.");
    if (os::DirExists(dir_))
        RemoveTree(dir_);
    if (!os::CreateDir(WithOutSlash(dir_)))
        throw std::runtime_error("Das Verzeichnis \"" + WithOutSlash(dir_) + "\" kann nicht angelegt werden.");
    const auto copy = [this](const std::string& name) {
        if (!os::CopyFileTo(exportDir_ + name, dir_ + name, true))
            throw std::runtime_error("Die Datei \"" + exportDir_ + name + "\" kann nicht gelesen werden.");
    };
    if (os::FileExists(exportDir_ + prefix_ + ".tid"))
        copy(prefix_ + ".tid");
    for (const std::string& name : Files(exportDir_, prefix_ + "pc.*"))
        if (HasExtension(name, "dbf") || HasExtension(name, "dbt") || HasExtension(name, "fpt") ||
            HasExtension(name, "mdx"))
            copy(name);
}

ExportStaging::~ExportStaging() {
    try {
        if (os::DirExists(dir_))
            RemoveTree(dir_);
    } catch (...) {
    }
}

void ExportStaging::Commit() {
    const std::string actionList = prefix_ + "_aktion.dbf";
    for (const std::string& name : Files(dir_))
        if (name != actionList)
            Place(dir_ + name, exportDir_ + name);
    const std::string pictures = prefix_ + "_Fotos\\";
    if (!os::DirExists(exportDir_ + pictures))
        os::CreateDir(WithOutSlash(exportDir_ + pictures));
    for (const std::string& name : Files(dir_ + pictures))
        if (!FileExistsEx(exportDir_ + pictures + name))
            Place(dir_ + pictures + name, exportDir_ + pictures + name);
    if (os::FileExists(dir_ + actionList))
        Place(dir_ + actionList, exportDir_ + actionList);
    RemoveTree(dir_);
}
