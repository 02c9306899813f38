#include "platform/os/Files.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testsupport::TempDir;
using Names = std::vector<std::string>;

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.WriteFile("a.txt", "A");
        dir.WriteFile("b.DBF", "B");
        dir.WriteFile("noext", "N");
        std::filesystem::create_directory(dir / "sub");
    }
    TempDir dir;
};

TEST(NativePath, TurnsBackslashesIntoTheSeparatorOfThePlatform)
{
#if defined(_WIN32)
    EXPECT_EQ(os::NativePath("C:\\a\\b"), "C:\\a\\b");
#else
    EXPECT_EQ(os::NativePath("\\tmp\\a b\\c.txt"), "/tmp/a b/c.txt");
    EXPECT_EQ(os::NativePath("/tmp/x"), "/tmp/x");
#endif
}

TEST_F(FilesTest, StarDotStarListsEverythingWithDotAndDotDot)
{
    EXPECT_EQ(Sorted(os::ListDirectory(dir.Win("*.*"))), (Names{".", "..", "a.txt", "b.DBF", "noext", "sub"}));
    EXPECT_EQ(Sorted(os::ListDirectory(dir.Win("*"))), (Names{".", "..", "a.txt", "b.DBF", "noext", "sub"}));
    EXPECT_EQ(Sorted(os::ListDirectory(dir.Win(".*"))), (Names{".", ".."}));
}

TEST_F(FilesTest, MasksMatchTheLastComponentIgnoringCase)
{
    EXPECT_EQ(os::ListDirectory(dir.Win("*.txt")), Names{"a.txt"});
    EXPECT_EQ(os::ListDirectory(dir.Win("*.dbf")), Names{"b.DBF"});
    EXPECT_EQ(os::ListDirectory(dir.Win("?.TXT")), Names{"a.txt"});
    EXPECT_EQ(os::ListDirectory(dir.Win("n*t")), Names{"noext"});
    EXPECT_EQ(os::ListDirectory(dir.Win("s*")), Names{"sub"});
    EXPECT_EQ(os::ListDirectory(dir.Win("??.txt")), Names{});
    EXPECT_EQ(os::ListDirectory(dir.Win("a.txt")), Names{"a.txt"});
}

TEST_F(FilesTest, NothingForAMissingDirectoryOrAnEmptyMask)
{
    EXPECT_TRUE(os::ListDirectory(dir.Win("missing\\*.*")).empty());
    EXPECT_TRUE(os::ListDirectory(dir.Win() + "\\").empty());
}

TEST_F(FilesTest, WildcardExistence)
{
    EXPECT_TRUE(os::FileExistsWildcard(dir.Win("*.dbf")));
    EXPECT_TRUE(os::FileExistsWildcard(dir.Win("sub")));
    EXPECT_FALSE(os::FileExistsWildcard(dir.Win("*.jpg")));
    EXPECT_FALSE(os::FileExistsWildcard(dir.Win("missing\\*.*")));
    // An empty directory still holds "." and "..".
    EXPECT_TRUE(os::FileExistsWildcard(dir.Win("sub\\*.*")));
    EXPECT_FALSE(os::FileExistsWildcard(dir.Win("sub\\*.txt")));
}

TEST_F(FilesTest, FileAndDirectoryTestsTellTheKindsApart)
{
    EXPECT_TRUE(os::FileExists(dir.Win("a.txt")));
    EXPECT_FALSE(os::FileExists(dir.Win("sub")));
    EXPECT_FALSE(os::FileExists(dir.Win("missing.txt")));
    EXPECT_TRUE(os::DirExists(dir.Win("sub")));
    EXPECT_TRUE(os::DirExists(dir.Win("sub\\")));
    EXPECT_FALSE(os::DirExists(dir.Win("a.txt")));
    EXPECT_FALSE(os::DirExists(""));
    EXPECT_FALSE(os::FileExists(""));
}

TEST_F(FilesTest, CreateDirMakesOneLevel)
{
    EXPECT_TRUE(os::CreateDir(dir.Win("new")));
    EXPECT_TRUE(os::DirExists(dir.Win("new")));
    EXPECT_FALSE(os::CreateDir(dir.Win("new")));
    EXPECT_FALSE(os::CreateDir(dir.Win("x\\y")));
}

TEST_F(FilesTest, CopyHonoursFailIfExists)
{
    EXPECT_TRUE(os::CopyFileTo(dir.Win("a.txt"), dir.Win("c.txt"), true));
    EXPECT_EQ(dir.ReadFile("c.txt"), "A");

    EXPECT_FALSE(os::CopyFileTo(dir.Win("b.DBF"), dir.Win("c.txt"), true));
    EXPECT_EQ(dir.ReadFile("c.txt"), "A");

    dir.WriteFile("long.txt", std::string(200000, 'x'));
    EXPECT_TRUE(os::CopyFileTo(dir.Win("long.txt"), dir.Win("c.txt"), false));
    EXPECT_EQ(dir.ReadFile("c.txt"), std::string(200000, 'x'));

    EXPECT_FALSE(os::CopyFileTo(dir.Win("missing"), dir.Win("d.txt"), false));
    EXPECT_FALSE(os::FileExists(dir.Win("d.txt")));
    EXPECT_FALSE(os::CopyFileTo(dir.Win("sub"), dir.Win("d.txt"), false));
}

TEST_F(FilesTest, DeleteRemovesFilesOnly)
{
    EXPECT_TRUE(os::DeleteFileAt(dir.Win("a.txt")));
    EXPECT_FALSE(os::FileExists(dir.Win("a.txt")));
    EXPECT_FALSE(os::DeleteFileAt(dir.Win("a.txt")));
    EXPECT_FALSE(os::DeleteFileAt(dir.Win("sub")));
    EXPECT_TRUE(os::DirExists(dir.Win("sub")));
}

TEST_F(FilesTest, MoveReplacesTheTargetAndRemoveDirTakesOnlyAnEmptyDirectory)
{
    EXPECT_TRUE(os::MoveFileOver(dir.Win("a.txt"), dir.Win("b.DBF")));
    EXPECT_EQ(dir.ReadFile("b.DBF"), "A");
    EXPECT_FALSE(os::FileExists(dir.Win("a.txt")));
    EXPECT_TRUE(os::MoveFileOver(dir.Win("noext"), dir.Win("sub\\neu")));
    EXPECT_EQ(dir.ReadFile("sub/neu"), "N");
    EXPECT_FALSE(os::MoveFileOver(dir.Win("missing"), dir.Win("b.DBF")));
    EXPECT_EQ(dir.ReadFile("b.DBF"), "A");
    EXPECT_FALSE(os::RemoveDir(dir.Win("sub")));
    EXPECT_TRUE(os::DeleteFileAt(dir.Win("sub\\neu")));
    EXPECT_TRUE(os::RemoveDir(dir.Win("sub")));
    EXPECT_FALSE(os::DirExists(dir.Win("sub")));
}

}  // namespace
