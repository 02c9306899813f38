// Process start and logon name on Win32, against what the system itself reports.
#include "platform/os/Process.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::string Slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LogonNameWin32, IsWhatGetUserNameReports)
{
    char name[257] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &size));
    EXPECT_EQ(os::LogonName(), name);
}

TEST(StartProcessWin32, HiddenWaitRunsInTheGivenDirectoryAndWaitsForTheEnd)
{
    TempDir dir;
    const std::string helper = TempDir::ToWin(fs::absolute(VE1_ARGDUMP).string());
    const fs::path out = dir / "out.txt";
    os::ProcessOptions options;
    options.workingDirectory = dir.Win();
    options.hidden = true;
    options.wait = true;
    ASSERT_TRUE(os::StartProcess("\"" + helper + "\" \"" + out.string() + "\" a \"b c\"", options));
    // The helper pauses before it writes: the file is complete only because we waited.
    const std::string text = Slurp(out);
    EXPECT_NE(text.find("arg=a\n"), std::string::npos) << text;
    EXPECT_NE(text.find("arg=b c\n"), std::string::npos) << text;
    const std::string cwdLine = text.substr(0, text.find('\n'));
    ASSERT_EQ(cwdLine.rfind("cwd=", 0), 0u);
    EXPECT_TRUE(fs::equivalent(cwdLine.substr(4), dir.path()));
}

TEST(StartProcessWin32, WithoutWaitReturnsBeforeTheProgramEnds)
{
    TempDir dir;
    const fs::path out = dir / "out.txt";
    os::ProcessOptions options;
    ASSERT_TRUE(os::StartProcess("\"" + TempDir::ToWin(fs::absolute(VE1_ARGDUMP).string()) + "\" \"" +
                                     out.string() + "\"", options));
    EXPECT_FALSE(fs::exists(out));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(fs::exists(out));
}

TEST(StartProcessWin32, FailsForAMissingProgramOrWorkingDirectory)
{
    TempDir dir;
    os::ProcessOptions options;
    options.wait = true;
    EXPECT_FALSE(os::StartProcess("\"" + dir.Win("missing.exe") + "\" x", options));
    options.workingDirectory = dir.Win("no such dir");
    EXPECT_FALSE(os::StartProcess("\"" + TempDir::ToWin(fs::absolute(VE1_ARGDUMP).string()) + "\" \"" +
                                      (dir / "o.txt").string() + "\"", options));
    EXPECT_FALSE(fs::exists(dir / "o.txt"));
}

}  // namespace
