// A fresh directory per test, removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace testsupport {

class TempDir {
public:
    // The name holds a blank, so that every path built from it needs quoting.
    TempDir()
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string stem = "ve1 ";
        stem += info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
        for (char& c : stem) {
            if (c == '/')
                c = '_';  // parameterised tests have '/' in their names
        }
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (unsigned n = 0;; ++n) {
            std::filesystem::path candidate = base / (stem + "-" + std::to_string(n));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                break;
            }
        }
    }
    // A directory made elsewhere, removed with everything in it when this object goes.
    explicit TempDir(std::filesystem::path existing) : path_(std::move(existing)) {}
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory, or a name in it, written the Windows way with '\'.
    std::string Win() const { return ToWin(path_.string()); }
    std::string Win(const std::string& name) const { return Win() + "\\" + name; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    void WriteFile(const std::string& name, const std::string& content) const
    {
        std::ofstream out(path_ / name, std::ios::binary);
        out << content;
    }
    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static std::string ToWin(std::string s)
    {
        for (char& c : s) {
            if (c == '/')
                c = '\\';
        }
        return s;
    }

private:
    std::filesystem::path path_;
};

}  // namespace testsupport
