// The check-in program's arguments as the check-in dialog passes them.
#include <gtest/gtest.h>

#include "platform/os/Process.h"
#include "vestra/CheckInArgs.h"

namespace {

using vestra::ParseCheckInArgs;

// The arguments the program receives for a parameter string of the check-in dialog.
std::vector<std::string> Received(const std::string& params)
{
    return os::SplitCommandLine(params);
}

TEST(ExchangeCheckInArgs, TrialAndLiveStringsGiveEveryValue) {
    const auto trial = ParseCheckInArgs(Received("-l  -s srv1 -u meier -p geheim -D C:\\v\\store.db -d C:\\exp -n wie17 "));
    EXPECT_TRUE(trial.Trial);
    EXPECT_EQ(trial.Server, "srv1");
    EXPECT_EQ(trial.User, "meier");
    EXPECT_EQ(trial.Password, "geheim");
    EXPECT_EQ(trial.Database, "C:\\v\\store.db");
    EXPECT_EQ(trial.Directory, "C:\\exp");
    EXPECT_EQ(trial.Name, "wie17");
    EXPECT_TRUE(trial.Notes.empty());
    const auto live = ParseCheckInArgs(Received("-s srv1 -u meier -p geheim -D db -d dir -n wie17 "));
    EXPECT_FALSE(live.Trial);
    EXPECT_EQ(live.Database, "db");
    EXPECT_EQ(live.Directory, "dir");
    EXPECT_TRUE(live.Notes.empty());
}

TEST(ExchangeCheckInArgs, ABlankInAValueIsJoinedAndReported) {
    const auto a = ParseCheckInArgs(Received("-l  -s  -u meier -p ge heim -D db -d C:\\mein export -n wie17 "));
    EXPECT_EQ(a.Server, "");
    EXPECT_EQ(a.Password, "ge heim");
    EXPECT_EQ(a.Directory, "C:\\mein export");
    ASSERT_EQ(a.Notes.size(), 2u);
    EXPECT_EQ(a.Notes[0], "Parameter -p kam als 2 Argumente an (Leerzeichen im Wert?)");
    EXPECT_EQ(a.Notes[1], "Parameter -d kam als 2 Argumente an (Leerzeichen im Wert?)");
    // The notes never carry the password itself.
    for (const auto& note : a.Notes)
        EXPECT_EQ(note.find("heim"), std::string::npos);
}

TEST(ExchangeCheckInArgs, FlagsAreCaseSensitiveAndStrayArgumentsNoted) {
    const auto a = ParseCheckInArgs({"x", "-d", "dir", "-D", "db", "-L", "-n", "a", "-n", "b"});
    EXPECT_EQ(a.Directory, "dir");
    EXPECT_EQ(a.Database, "db -L");  // "-L" is no flag
    EXPECT_FALSE(a.Trial);
    EXPECT_EQ(a.Name, "b");
    ASSERT_EQ(a.Notes.size(), 3u);
    EXPECT_EQ(a.Notes[0], "1 Argument(e) ohne Parameter am Anfang ignoriert");
    EXPECT_EQ(a.Notes[2], "Parameter -n mehrfach angegeben");
    const auto b = ParseCheckInArgs({"-l", "stray", "-n", "x"});
    EXPECT_TRUE(b.Trial);
    EXPECT_EQ(b.Notes, std::vector<std::string>{"1 Argument(e) ohne Parameter nach -l ignoriert"});
}

}  // namespace
