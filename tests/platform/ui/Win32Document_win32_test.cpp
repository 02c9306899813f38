// Documents shown by the Win32 backend: written to the temporary directory, opened by the shell.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/ui/Win32Forms.h"

namespace {

std::filesystem::path TempDirectory() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return std::filesystem::path(std::wstring(temp, n));
}

TEST(Win32Document, WrittenToTheTemporaryDirectoryAndRefusedWithoutAViewer) {
    ui::Win32Backend backend;
    ui::DocumentView view;
    view.title = "Bericht";
    // No program is registered for this kind of file, so the shell cannot open it.
    view.fileName = "ve1 Dokument.ve1-ohne-programm";
    std::string written;
    view.write = [&](const std::string& path) {
        written = path;
        std::ofstream(path, std::ios::binary) << "%PDF-1.3\n";
    };
    const auto expected = TempDirectory() / "ve1 Dokument.ve1-ohne-programm";
    std::filesystem::remove(expected);
    try {
        backend.ShowDocument(view);
        FAIL() << "no error for a file without a viewer";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("kein Anzeigeprogramm"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(std::filesystem::exists(expected)) << written;
    std::filesystem::remove(expected);
}

TEST(Win32Document, ANameInUseGoesOnToTheNextFreeName) {
    ui::Win32Backend backend;
    ui::DocumentView view;
    view.title = "Bericht";
    view.fileName = "ve1 belegt.ve1-ohne-programm";
    std::vector<std::string> tried;
    view.write = [&](const std::string& path) {
        tried.push_back(path);
        if (tried.size() == 1)
            throw std::runtime_error("gesperrt");
    };
    EXPECT_THROW(backend.ShowDocument(view), std::runtime_error);
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_NE(tried[1].find("ve1 belegt (2).ve1-ohne-programm"), std::string::npos) << tried[1];
}

}  // namespace
