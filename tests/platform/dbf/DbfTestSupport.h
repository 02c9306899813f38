// Per-test temporary directories and small helpers for the table engine tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/dbf/DbfTable.h"

namespace dbftest {

// A fresh directory named after the running test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A number of this process's own: test runs of other checkouts may run at once.
        static const std::string run = std::to_string(std::random_device()() % 1000000);
        path_ = std::filesystem::temp_directory_path() /
                ("ve1_dbf_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + run);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // Windows style, as the system passes it: trailing backslash.
    std::string windowsDir() const { return path_.string() + "\\"; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The file as the engine names it in its messages: with forward slashes.
    std::string shown(const std::string& name) const { return (path_ / name).generic_string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The text of the EngineError that f throws; "no error" when it throws none.
inline std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const dbf::EngineError& e) {
        return e.what();
    }
    return "no error";
}

inline std::vector<char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// Copies FROM over TO. The target goes first: copy_file's overwrite option fails on Windows
// with this C++ runtime.
inline void replaceFile(const std::string& from, const std::string& to) {
    std::filesystem::remove(to);
    std::filesystem::copy_file(from, to);
}

inline void writeAll(const std::string& path, const std::vector<char>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
}

// The transaction list's layout, built through the engine.
inline void createList(dbf::Table& t) {
    t.clearFieldDefs();
    t.addFieldDef("TID", dbf::FieldType::Integer);
    t.addFieldDef("FELDIXID", dbf::FieldType::Integer);
    t.addFieldDef("KENNUNG", dbf::FieldType::Character, 50);
    t.addFieldDef("CHANGED", dbf::FieldType::Character, 15);
    t.createTable();
    t.addIndex("idxKennung", "KENNUNG");
    t.addIndex("idxTID", "TID");
}

inline void appendRow(dbf::Table& t, int32_t tid, const std::string& kennung, const std::string& changed = "NEW") {
    t.append();
    t.fieldByName("TID").setInteger(tid);
    t.fieldByName("FELDIXID").setInteger(tid);
    t.fieldByName("KENNUNG").setString(kennung);
    t.fieldByName("CHANGED").setString(changed);
    t.post();
}

// KENNUNG values of a walk from the first row.
inline std::vector<std::string> walk(dbf::Table& t, const char* field = "KENNUNG") {
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName(field).asString());
    return out;
}

}  // namespace dbftest
