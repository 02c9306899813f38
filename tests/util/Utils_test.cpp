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

TEST(AufzaehlungZeilen, TwentyItemsThenTheCountOfTheRest)
{
    std::vector<std::string> items;
    for (int i = 1; i <= 22; ++i)
        items.push_back("K-" + std::to_string(i));
    auto lines = [&](size_t n) { return AufzaehlungZeilen(std::vector<std::string>(items.begin(), items.begin() + n)); };
    EXPECT_EQ(lines(0), "");
    EXPECT_EQ(lines(2), "\r\nK-1\r\nK-2");
    const std::string twenty = lines(20);
    EXPECT_EQ(twenty.substr(twenty.size() - 6), "\r\nK-20");
    EXPECT_EQ(lines(21), twenty + "\r\n… und 1 weitere");
    EXPECT_EQ(lines(22), twenty + "\r\n… und 2 weitere");
}

}  // namespace
