// Files of the real file system on POSIX: a file opened for writing learns from its mode,
// when first asked, whether it may be written, and a file nobody may write stays read-only,
// also for the administrator; what is no plain file is not opened as one.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "DbfTestSupport.h"
#include "platform/dbf/FileIO.h"

namespace {

namespace fs = std::filesystem;
using dbf::io::OpenMode;
using dbftest::TempDir;
using dbftest::errorOf;

TEST(DbfFilesPosix, TheModeDecidesWhetherAFileOpenedForWritingMayBeWritten) {
    TempDir dir;
    const auto files = dbf::io::standardFileSystem();
    struct Case {
        const char* what;
        fs::perms perms;
        bool writable;
    };
    const Case cases[] = {
        {"the owner may write", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, true},
        {"nobody may write", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file(std::string(c.writable ? "W" : "R") + ".DBF");
        std::ofstream(path, std::ios::binary) << std::string(100, 'x');
        fs::permissions(path, c.perms);
        auto file = files->open(path, OpenMode::ReadWrite);
        EXPECT_EQ(file->size(), 100u);
        char byte = 0;
        file->read(99, &byte, 1);
        EXPECT_EQ(byte, 'x');
        EXPECT_EQ(file->writable(), c.writable);
        const std::string error = errorOf([&] { file->write(100, "y", 1); });
        if (c.writable) {
            EXPECT_EQ(error, "no error");
            EXPECT_EQ(file->size(), 101u);
        } else {
            EXPECT_EQ(error, "Die Datei ist schreibgeschützt: " + path);
            EXPECT_EQ(fs::file_size(path), 100u);
        }
        fs::permissions(path, fs::perms::owner_all);
    }
}

TEST(DbfFilesPosix, WhatIsNoPlainFileIsNotOpened) {
    TempDir dir;
    const auto files = dbf::io::standardFileSystem();
    const std::string pipe = dir.file("P.DBF"), folder = dir.file("D.DBF");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
    fs::create_directory(folder);
    for (const std::string& path : {pipe, folder}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(files->openIfExists(path, OpenMode::ReadWrite), nullptr);
        EXPECT_EQ(errorOf([&] { files->open(path, OpenMode::ReadWrite); }),
                  "Die Datei kann nicht geöffnet werden: " + path);
    }
}

}  // namespace
