#include "util/Tools.h"

#include "platform/os/Cursor.h"
#include "support/ArgDump.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

TEST(MyStrToBool, FirstLetterFOrNAndTheSingleZeroAreFalse)
{
    for (const char* text : {"f", "F", "false", "False", "n", "N", "nein", "No", "0"})
        EXPECT_FALSE(MyStrToBool(text)) << text;
    for (const char* text : {"", "1", "00", " 0", "0 ", "-1", "true", "ja", "Y", "x"})
        EXPECT_TRUE(MyStrToBool(text)) << '"' << text << '"';
}

TEST(ReadDirectroyFiles, AppendsAllEntriesIncludingDotAndDotDot)
{
    TempDir dir;
    dir.WriteFile("p1.jpg", "1");
    dir.WriteFile("p2.JPG", "2");
    dir.WriteFile("list.dbf", "3");
    fs::create_directory(dir / "sub");

    std::vector<std::string> list = {"kept"};
    ReadDirectroyFiles(dir.Win(), "*.*", list);
    std::sort(list.begin() + 1, list.end());
    EXPECT_EQ(list, (std::vector<std::string>{"kept", ".", "..", "list.dbf", "p1.jpg", "p2.JPG", "sub"}));

    std::vector<std::string> photos;
    ReadDirectroyFiles(dir.Win() + "\\", "*.jpg", photos);
    std::sort(photos.begin(), photos.end());
    EXPECT_EQ(photos, (std::vector<std::string>{"p1.jpg", "p2.JPG"}));

    std::vector<std::string> none;
    ReadDirectroyFiles(dir.Win("missing"), "*.*", none);
    EXPECT_TRUE(none.empty());
}

TEST(GetCurrentUserName, IsTheLogonNameOfTheUser)
{
    const std::string name = GetCurrentUserName();
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 252u);
}

using testsupport::ArgDump;
using testsupport::ReadArgDump;

TEST(ExecAndWait, QuotesTheProgramPassesParamsAsTheyAreAndWaits)
{
    const std::string helper = VE1_ARGDUMP;
    ASSERT_NE(helper.find(' '), std::string::npos) << "the helper's path should hold a blank";
    TempDir dir;
    const fs::path out = dir / "args.txt";

    ASSERT_TRUE(ExecAndWait(helper, "\"" + out.string() + "\" two words \"one arg\""));

    // The helper pauses before it writes: the file is there only because we waited.
    const ArgDump dump = ReadArgDump(out);
    ASSERT_TRUE(dump.found);
    EXPECT_EQ(dump.args, (std::vector<std::string>{"two", "words", "one arg"}));
    EXPECT_TRUE(fs::equivalent(dump.cwd, fs::path(helper).parent_path()));
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::Default);
}

TEST(ExecAndWait, WindowsStylePathWorksToo)
{
    TempDir dir;
    const fs::path out = dir / "args.txt";
    ASSERT_TRUE(ExecAndWait(TempDir::ToWin(VE1_ARGDUMP), "\"" + out.string() + "\" x"));
    const ArgDump dump = ReadArgDump(out);
    EXPECT_EQ(dump.args, std::vector<std::string>{"x"});
    EXPECT_TRUE(fs::equivalent(dump.cwd, fs::path(VE1_ARGDUMP).parent_path()));
}

TEST(ExecAndWait, FalseWhenTheProgramCannotBeStarted)
{
    TempDir dir;
    EXPECT_FALSE(ExecAndWait(dir.Win("no such program.exe"), "a b"));
    EXPECT_FALSE(ExecAndWait(dir.Win("missing dir\\prog.exe"), ""));
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::Default);
}

TEST(Exec, ReturnsAtOnceInTheCallersDirectory)
{
    TempDir dir;
    const fs::path out = dir / "args.txt";
    Exec(VE1_ARGDUMP, "\"" + out.string() + "\" a \"b c\"");
    EXPECT_FALSE(fs::exists(out)) << "Exec waited for the program";
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::Default);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const ArgDump dump = ReadArgDump(out);
    ASSERT_TRUE(dump.found);
    EXPECT_EQ(dump.args, (std::vector<std::string>{"a", "b c"}));
    EXPECT_TRUE(fs::equivalent(dump.cwd, fs::current_path()));
}

}  // namespace
