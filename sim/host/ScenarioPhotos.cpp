// Scenario lines of the photo management: the project database, picture files and
// directories, and the photo exchange run by the test program that links it.
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "Pictures.h"
#include "host/fxAPI32.h"
#include "Project.h"
#include "ProjectDatabase.h"
#include "Scenario.h"
#include "platform/ui/Cp1252.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RunSql(const std::string& db, const std::string& sql) {
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        throw std::runtime_error("the project database cannot be opened");
    }
    char* error = nullptr;
    const int rc = sqlite3_exec(raw, ui::Cp1252ToUtf8(sql).c_str(), nullptr, nullptr, &error);
    const std::string text = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error("the project database refuses the statement: " + text);
}

Scenario::Extension& TheExtension() {
    static Scenario::Extension extension;
    return extension;
}

}  // namespace

void Scenario::SetExtension(Extension extension) { TheExtension() = std::move(extension); }

void Scenario::RunExtension(const ScriptLine& l) {
    if (!TheExtension() || !TheExtension()(*this, l))
        Fail(&l, "'" + l.Command() + "' runs only in the system tests, which link the photo exchange");
}

std::string Scenario::PathOf(const std::string& word) const {
    std::string w = word;
    std::replace(w.begin(), w.end(), '\\', '/');
    return (fs::path(projectDir_) / w).lexically_normal().string();
}

void Scenario::Photos(const ScriptLine& l, bool& handled) {
    const std::string& c = l.Command();
    const std::string& db = TheProject().projectDB;
    handled = true;
    if (c == "db-row") {
        InsertDbRow(db, l.Word(1), FieldsOf(l, 2));
    } else if (c == "db-sql") {
        RunSql(db, l.Word(1));
    } else if (c == "picture") {
        const fs::path path = PathOf(l.Word(1));
        fs::create_directories(path.parent_path());
        if (!WriteJpeg(path.string(), 32, 24, l.Count() > 2 ? static_cast<unsigned>(l.Int(2)) : 1u))
            throw std::runtime_error(l.Where() + ": cannot write the picture " + l.Word(1));
    } else if (c == "set-hauptphoto") {
        // set-hauptphoto VALUE [MAXLEN]: the user sets the main-photo mark of the current link;
        // the host calls CorrectHauptfoto with a buffer of MAXLEN characters (default 10) and
        // stores what it gets back
        Say("> " + l.raw.substr(l.raw.find_first_not_of(" \t")));
        const int maxLen = l.Count() > 2 ? l.Int(2) : 10;
        std::vector<char> value(l.Word(1).begin(), l.Word(1).end());
        value.push_back('\0');
        std::vector<char> buffer(static_cast<size_t>(std::max(maxLen, 0)) + 1, '\0');
        Hook("CorrectHauptfoto", reinterpret_cast<intptr_t>(value.data()), reinterpret_cast<intptr_t>(buffer.data()),
             maxLen);
        buffer.back() = '\0';
        fxSetValueByName("Objektphotos", "Hauptphoto", buffer.data());
        Say("    host: Hauptphoto = \"" + std::string(buffer.data()) + "\"");
    } else if (c == "directory") {
        fs::create_directories(PathOf(l.Word(1)));
    } else if (c == "expect-db-row" || c == "expect-db-no-row") {
        // expect-db-row TABLE KEY=VALUE [FIELD=VALUE...]: the first row with that key; null is ""
        ExpectRow(l, DbTableExists(db, l.Word(1)) ? ReadDbRows(db, l.Word(1)) : std::vector<Row>{},
                  c == "expect-db-no-row", "column");
    } else if (c == "expect-db-rows") {
        const size_t n = DbTableExists(db, l.Word(1)) ? ReadDbRows(db, l.Word(1)).size() : 0;
        if (static_cast<int>(n) != l.Int(2))
            Fail(&l, l.Word(1) + " has " + std::to_string(n) + " rows, not " + l.Word(2));
    } else if (c == "expect-db-table") {
        const bool exists = DbTableExists(db, l.Word(1));
        if (exists != (l.Word(2) == "exists"))
            Fail(&l, "the project database " + std::string(exists ? "holds " : "has no table ") + l.Word(1));
    } else if (c == "expect-file" || c == "expect-dir") {
        // expect-file PATH exists/gone, expect-file PATH same-as PATH2, expect-dir PATH exists/gone
        const fs::path path = PathOf(l.Word(1));
        const bool exists = c == "expect-file" ? fs::is_regular_file(path) : fs::is_directory(path);
        const std::string kind = c == "expect-file" ? "the file " : "the directory ";
        if (l.Word(2) == "same-as") {
            if (!exists || ReadAll(path) != ReadAll(PathOf(l.Word(3))))
                Fail(&l, kind + l.Word(1) + (exists ? " differs from " : " is missing, not a copy of ") + l.Word(3));
        } else if (exists != (l.Word(2) == "exists")) {
            Fail(&l, kind + l.Word(1) + (exists ? " exists" : " does not exist"));
        }
    } else if (c == "expect-dbf-rows") {
        // expect-dbf-rows PATH N [FIELD=VALUE...]: a dBase table anywhere; with fields, the rows
        // that have them
        const fs::path path = PathOf(l.Word(1));
        const Row want = FieldsOf(l, 3);
        const std::vector<Row> rows = ReadRows(path.parent_path().string() + "/", path.filename().string());
        const auto n = std::count_if(rows.begin(), rows.end(), [&](const Row& r) {
            return std::all_of(want.begin(), want.end(), [&](const auto& fv) {
                auto it = r.find(fv.first);
                return it != r.end() && it->second == fv.second;
            });
        });
        if (n != l.Int(2))
            Fail(&l, l.Word(1) + " has " + std::to_string(n) + " such rows, not " + l.Word(2));
    } else if (c == "expect-dbf-column") {
        // expect-dbf-column PATH FIELD VALUE...: the field's values of every row, in file order
        const fs::path path = PathOf(l.Word(1));
        std::string got, want;
        for (const Row& r : ReadRows(path.parent_path().string() + "/", path.filename().string()))
            got += " \"" + (r.count(l.Word(2)) ? r.at(l.Word(2)) : std::string()) + "\"";
        for (size_t i = 3; i < l.Count(); ++i)
            want += " \"" + l.Word(i) + "\"";
        if (got != want)
            Fail(&l, l.Word(1) + " holds" + got);
    } else if (c == "expect-entries") {
        // expect-entries DIR N: how many files and directories DIR holds
        const fs::path path = PathOf(l.Word(1));
        const auto n = fs::is_directory(path) ? std::distance(fs::directory_iterator(path), fs::directory_iterator()) : 0;
        if (n != l.Int(2))
            Fail(&l, "the directory " + l.Word(1) + " holds " + std::to_string(n) + " entries, not " + l.Word(2));
    } else {
        handled = false;
    }
}

}  // namespace sim
