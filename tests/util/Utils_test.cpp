#include "util/Utils.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(WithSlash, AppendsExactlyOneBackslash)
{
    EXPECT_EQ(WithSlash("C:\\Daten"), "C:\\Daten\\");
    EXPECT_EQ(WithSlash("C:\\Daten\\"), "C:\\Daten\\");
    EXPECT_EQ(WithSlash(""), "\\");
    EXPECT_EQ(WithSlash("\\"), "\\");
    EXPECT_EQ(WithSlash("C:\\Daten\\\\"), "C:\\Daten\\\\");
    EXPECT_EQ(WithSlash("/tmp/x/"), "/tmp/x/\\");
}

TEST(WithOutSlash, RemovesOneTrailingBackslash)
{
    EXPECT_EQ(WithOutSlash("C:\\Daten\\"), "C:\\Daten");
    EXPECT_EQ(WithOutSlash("C:\\Daten"), "C:\\Daten");
    EXPECT_EQ(WithOutSlash("C:\\Daten\\\\"), "C:\\Daten\\");
    EXPECT_EQ(WithOutSlash("\\"), "");
    EXPECT_EQ(WithOutSlash(""), "");
}

TEST(ExtractFilePath, DirectoryPartWithItsSeparator)
{
    EXPECT_EQ(ExtractFilePath("C:\\Programme\\VESTRA\\CheckIn.exe"), "C:\\Programme\\VESTRA\\");
    EXPECT_EQ(ExtractFilePath("/opt/vestra/checkin"), "/opt/vestra/");
    EXPECT_EQ(ExtractFilePath("CheckIn.exe"), "");
    EXPECT_EQ(ExtractFilePath("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(ExtractFileName("C:\\dir\\a b.txt"), "a b.txt");
    EXPECT_EQ(ExtractFileName("a.txt"), "a.txt");
    EXPECT_EQ(ExtractFileName("C:\\dir\\"), "");
}

TEST(UtilsFiles, DirExistsAndFileExistsEx)
{
    testsupport::TempDir dir;
    dir.WriteFile("Foto1.jpg", "x");
    EXPECT_TRUE(DirExists(dir.Win()));
    EXPECT_TRUE(DirExists(WithSlash(dir.Win())));
    EXPECT_FALSE(DirExists(dir.Win("Foto1.jpg")));
    EXPECT_FALSE(DirExists(dir.Win("FXPhotos")));
    EXPECT_TRUE(FileExistsEx(dir.Win("*.jpg")));
    EXPECT_TRUE(FileExistsEx(dir.Win("Foto1.jpg")));
    EXPECT_FALSE(FileExistsEx(dir.Win("*.dbf")));
    EXPECT_FALSE(FileExistsEx(dir.Win("FXPhotos\\*.*")));
}

}  // namespace
