#include "platform/os/Process.h"

#include "support/ArgDump.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

using Dump = testsupport::ArgDump;

Dump ReadDump(const TempDir& dir, const std::string& name)
{
    return testsupport::ReadArgDump(dir.path() / name);
}

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

TEST(StartProcess, PassesTheSplitArgumentsAndTheWorkingDirectory)
{
    TempDir dir;
    os::ProcessOptions options;
    options.workingDirectory = dir.path().string();
    options.wait = true;
    const std::string line = Quoted(VE1_ARGDUMP) + " " + Quoted((dir / "out.txt").string()) +
                             " one \"two words\" a\\\"b";
    ASSERT_TRUE(os::StartProcess(line, options));
    const Dump dump = ReadDump(dir, "out.txt");
    EXPECT_EQ(dump.args, (std::vector<std::string>{"one", "two words", "a\"b"}));
    EXPECT_TRUE(fs::equivalent(dump.cwd, dir.path()));
}

TEST(StartProcess, ConvertsBackslashesInProgramAndWorkingDirectory)
{
    TempDir dir;
    os::ProcessOptions options;
    options.workingDirectory = dir.Win() + "\\";
    options.wait = true;
    const std::string line = Quoted(TempDir::ToWin(VE1_ARGDUMP)) + " " + Quoted((dir / "out.txt").string());
    ASSERT_TRUE(os::StartProcess(line, options));
    EXPECT_TRUE(fs::equivalent(ReadDump(dir, "out.txt").cwd, dir.path()));
}

// Changes the current directory for one test and restores it.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& dir) : saved_(fs::current_path()) { fs::current_path(dir); }
    ~CurrentDirectory() { fs::current_path(saved_); }
private:
    fs::path saved_;
};

TEST(StartProcess, RelativeProgramPathMeansTheCallersDirectory)
{
    TempDir dir;
    const fs::path helper(VE1_ARGDUMP);
    CurrentDirectory here(helper.parent_path().parent_path());
    os::ProcessOptions options;
    options.workingDirectory = dir.path().string();
    options.wait = true;
    const std::string relative = helper.parent_path().filename().string() + "/" + helper.filename().string();
    ASSERT_TRUE(os::StartProcess(Quoted(relative) + " " + Quoted((dir / "out.txt").string()), options));
    EXPECT_TRUE(fs::equivalent(ReadDump(dir, "out.txt").cwd, dir.path()));
}

TEST(StartProcess, FailsForAMissingProgramOrWorkingDirectory)
{
    TempDir dir;
    os::ProcessOptions options;
    options.wait = true;
    EXPECT_FALSE(os::StartProcess(Quoted((dir / "no such program").string()) + " x", options));
    EXPECT_FALSE(os::StartProcess("", options));

    options.workingDirectory = (dir / "missing").string();
    EXPECT_FALSE(os::StartProcess(Quoted(VE1_ARGDUMP) + " " + Quoted((dir / "out.txt").string()), options));
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST(LogonName, IsTheNameOfTheEffectiveUser)
{
    const passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(os::LogonName(), entry->pw_name);
}

}  // namespace
