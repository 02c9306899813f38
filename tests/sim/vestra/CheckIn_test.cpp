// The check-in stand-in: its checks and their counts, the live run's changes, the log and
// the record of its arguments when started the way the check-in dialog starts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/TempDir.h"
#include "util/Tools.h"
#include "vestra/CheckIn.h"
#include "VestraFixture.h"

namespace {

using testsupport::TempDir;
using namespace vestratest;

class ExchangeCheckIn : public ::testing::Test {
protected:
    TempDir dir;
    std::string store = (dir / "vestra.db").string();
    ExportSet set;

    void SetUp() override
    {
        SeedStore(store);
        set.Directory = (dir / "export").string();
        std::filesystem::create_directories(set.Directory);
    }
    // A set that passes: A1 moved with a new photo, A2 deleted, R1 new, A3 ignored.
    void GoodSet()
    {
        set.Objects = {{"A1", 'U', true, true, 42, {5, 8}}, {"A2", 'D'}, {"R1", 'N', true, true, 7}, {"A3", 'I'}};
        set.Photos = {NewPhoto(8)};
    }
    vestra::CheckInResult Run(bool trial)
    {
        set.Write();
        vestra::CheckInArgs args;
        args.Trial = trial;
        args.Database = store;
        args.Directory = set.Directory;
        args.Name = set.Prefix;
        return vestra::RunCheckIn(args);
    }
    static bool Has(const vestra::CheckInResult& r, const std::string& line)
    {
        return std::find(r.Lines.begin(), r.Lines.end(), line) != r.Lines.end();
    }
};

TEST_F(ExchangeCheckIn, AGoodSetPassesAndTheTrialChangesNothing) {
    GoodSet();
    const auto r = Run(true);
    EXPECT_EQ(r.Sachdatenfehler, 0);
    EXPECT_EQ(r.Grafikfehler, 0);
    EXPECT_FALSE(r.Applied);
    ASSERT_GE(r.Lines.size(), 2u);
    EXPECT_EQ(r.Lines[r.Lines.size() - 2], "Sachdatenfehler: 0");
    EXPECT_EQ(r.Lines.back(), "Grafikfehler: 0");
    EXPECT_TRUE(Has(r, "Aktionen: 1 neu, 1 geändert, 1 gelöscht, 1 ignoriert"));
    vestra::Store s(store);
    EXPECT_TRUE(s.FindObject("A2"));
    EXPECT_FALSE(s.FindObject("R1"));
    EXPECT_DOUBLE_EQ(s.FindObject("A1")->X, 3500100.5);
    EXPECT_FALSE(s.FindPhoto(8));
}

TEST_F(ExchangeCheckIn, TheLiveRunAppliesEveryAction) {
    GoodSet();
    const auto r = Run(false);
    EXPECT_EQ(r.Sachdatenfehler, 0);
    EXPECT_EQ(r.Grafikfehler, 0);
    EXPECT_TRUE(r.Applied);
    vestra::Store s(store);
    const auto a1 = s.FindObject("A1");
    ASSERT_TRUE(a1);
    EXPECT_DOUBLE_EQ(a1->X, 42);
    EXPECT_EQ(a1->Vgnr, 4);
    EXPECT_EQ(a1->Attribute, (std::vector<std::pair<std::string, std::string>>{{"Name", "neu A1"}}));
    EXPECT_EQ(a1->Fotos, (std::vector<int32_t>{5, 8}));
    EXPECT_FALSE(s.FindObject("A2"));
    ASSERT_TRUE(s.FindObject("R1"));
    EXPECT_EQ(s.LockOf(kTid, "R1"), vestra::WriteLocked);
    EXPECT_EQ(s.Reserved(kTid), (std::vector<std::string>{kLong41, "R2"}));
    EXPECT_EQ(s.FindObject("A3")->Klasse, "VSG");
    ASSERT_TRUE(s.FindPhoto(8));
    EXPECT_EQ(s.FindPhoto(8)->Bild, "picture 8");
    EXPECT_EQ(s.FindPhoto(8)->Datum, "2024-05-17");
}

// Each failing check raises its own count by one and leaves the other count at 0.
TEST_F(ExchangeCheckIn, EachFailingCheckRaisesItsCount) {
    struct Case {
        const char* what;
        std::vector<ExportObject> objects;
        int sach, grafik;
    };
    const std::vector<Case> cases = {
        {"new object missing in the geodata", {{"R1", 'N', false, true}}, 0, 1},
        {"updated object missing in the geodata", {{"A1", 'U', false, true}}, 0, 1},
        {"new object missing in the XML", {{"R1", 'N', true, false}}, 1, 0},
        {"update of a read-locked object", {{"A3", 'U'}}, 1, 0},
        {"deletion of a read-locked object", {{"A3", 'D'}}, 1, 0},
        {"deletion of another transaction's object", {{"B1", 'D'}}, 1, 0},
        {"update of an identifier in other case", {{"a1", 'U'}}, 1, 0},
        {"new object under an identifier in use", {{"A2", 'N'}}, 1, 0},
        {"action letter in lower case", {{"A1", 'u'}}, 1, 0},
        {"unknown action letter", {{"A1", 'X'}}, 1, 0},
        {"link to an unknown photo", {{"A1", 'U', true, true, 0, {99}}}, 1, 0},
        {"deleted and new again is fine", {{"A2", 'D'}, {"A2", 'N'}}, 0, 0},
        {"the same new identifier twice", {{"R1", 'N'}, {"R1", 'N'}}, 1, 0},
        {"identifier of full width is fine", {{kLong41, 'N'}}, 0, 0},
        {"ignored rows are not checked", {{"Z9", 'I', false, false}}, 0, 0},
    };
    for (const Case& c : cases) {
        TempDir caseDir;
        set.Directory = caseDir.path().string();
        set.Objects = c.objects;
        const auto r = Run(true);
        EXPECT_EQ(r.Sachdatenfehler, c.sach) << c.what;
        EXPECT_EQ(r.Grafikfehler, c.grafik) << c.what;
    }
}

TEST_F(ExchangeCheckIn, SetMembersThatFailTheirCheck) {
    GoodSet();
    set.PictureFiles = false;
    EXPECT_EQ(Run(true).Sachdatenfehler, 1);  // the new photo's picture is missing

    set.PictureFiles = true;
    set.Tid = 18;  // A1 and A2 are not checked out in 18
    EXPECT_EQ(Run(true).Sachdatenfehler, 2);
    set.Tid = 99;  // unknown, and again A1 and A2
    EXPECT_EQ(Run(true).Sachdatenfehler, 3);

    set.Tid = kTid;
    set.Objects = {{"R1", 'N'}};
    set.Write();
    std::filesystem::remove(set.Path(".tid"));
    vestra::CheckInArgs args;
    args.Trial = true;
    args.Database = store;
    args.Directory = set.Directory;
    args.Name = set.Prefix;
    EXPECT_EQ(vestra::RunCheckIn(args).Sachdatenfehler, 1);
    dir.WriteFile("export/wie17.tid", "[Transaktionsdaten]\r\nTransaktion=siebzehn\r\n");
    EXPECT_EQ(vestra::RunCheckIn(args).Sachdatenfehler, 1);

    // The action list must keep VESTRA's width of 41.
    TempDir other;
    set.Directory = other.path().string();
    set.KennungWidth = 50;
    EXPECT_EQ(Run(true).Sachdatenfehler, 1);
    std::filesystem::remove(set.Path("_aktion.dbf"));
    args.Directory = set.Directory;
    const auto missing = vestra::RunCheckIn(args);
    EXPECT_EQ(missing.Sachdatenfehler, 1);
    EXPECT_EQ(missing.Grafikfehler, 0);
}

TEST_F(ExchangeCheckIn, ALiveRunWithErrorsChangesNothing) {
    GoodSet();
    set.Objects.push_back({"A3", 'U'});
    const auto r = Run(false);
    EXPECT_EQ(r.Sachdatenfehler, 1);
    EXPECT_FALSE(r.Applied);
    vestra::Store s(store);
    EXPECT_TRUE(s.FindObject("A2"));
    EXPECT_FALSE(s.FindObject("R1"));
    EXPECT_FALSE(s.FindPhoto(8));
}

TEST_F(ExchangeCheckIn, AMissingStoreIsAnErrorAndNotCreated) {
    GoodSet();
    store = (dir / "none.db").string();
    const auto r = Run(false);
    EXPECT_GE(r.Sachdatenfehler, 1);
    EXPECT_FALSE(r.Applied);
    EXPECT_FALSE(std::filesystem::exists(store));
}

// The program started as the check-in dialog starts it: quoted path, unquoted values.
class ExchangeCheckInProgram : public ExchangeCheckIn {
protected:
    bool Start(const std::string& params) { return ExecAndWait(VESTRA_CHECKIN, params); }
    std::string Params(bool trial, const std::string& password) const
    {
        return std::string(trial ? "-l  " : "") + "-s srv1 -u meier -p " + password + " -D " + TempDir::ToWin(store) +
               " -d " + TempDir::ToWin(set.Directory) + " -n " + set.Prefix + " ";
    }
    std::string Log() const { return dir.ReadFile("export/wie17.log"); }
    std::vector<std::string> Record() const
    {
        std::vector<std::string> lines;
        std::string text = dir.ReadFile("export/wie17.arg");
        for (size_t pos = 0; (pos = text.find("\r\n")) != std::string::npos; text.erase(0, pos + 2))
            lines.push_back(text.substr(0, pos));
        return lines;
    }
};

TEST_F(ExchangeCheckInProgram, TrialThenLiveRunWriteTheirLogs) {
    GoodSet();
    set.Write();
    ASSERT_TRUE(Start(Params(true, "geheim")));
    EXPECT_NE(Log().find("\r\nSachdatenfehler: 0\r\nGrafikfehler: 0\r\n"), std::string::npos) << Log();
    EXPECT_NE(Log().find("Lauf: Probelauf"), std::string::npos);
    EXPECT_TRUE(vestra::Store(store).FindObject("A2"));
    ASSERT_TRUE(Start(Params(false, "geheim")));
    EXPECT_NE(Log().find("Lauf: Echtlauf"), std::string::npos);
    EXPECT_NE(Log().find("\r\nSachdatenfehler: 0\r\nGrafikfehler: 0\r\n"), std::string::npos) << Log();
    EXPECT_FALSE(vestra::Store(store).FindObject("A2"));
    EXPECT_FALSE(std::filesystem::exists(dir / "export/wie17.log.tmp"));
}

TEST_F(ExchangeCheckInProgram, APasswordWithABlankArrivesAsTwoArguments) {
    GoodSet();
    set.Write();
    ASSERT_TRUE(Start(Params(true, "ge heim")));
    const auto record = Record();
    const auto p = std::find(record.begin(), record.end(), "-p");
    ASSERT_NE(p, record.end());
    ASSERT_GE(record.end() - p, 4);
    EXPECT_EQ(p[1], "ge");
    EXPECT_EQ(p[2], "heim");
    EXPECT_EQ(p[3], "-D");
    EXPECT_EQ(record[0], std::to_string(record.size() - 1));
    EXPECT_EQ(record[1], "-l");
    EXPECT_NE(Log().find("Hinweis: Parameter -p kam als 2 Argumente an"), std::string::npos) << Log();
}

TEST_F(ExchangeCheckInProgram, AnOldLogNeverPassesForTheNewRun) {
    GoodSet();
    set.Objects.push_back({"A3", 'U'});
    set.Write();
    const std::string stale = "Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n";
    dir.WriteFile("export/wie17.log", stale);
    ASSERT_TRUE(Start(Params(true, "geheim")));
    EXPECT_NE(Log().find("\r\nSachdatenfehler: 1\r\nGrafikfehler: 0\r\n"), std::string::npos) << Log();
    // A run that cannot reach its store still replaces the old log.
    dir.WriteFile("export/wie17.log", stale);
    store = (dir / "none.db").string();
    ASSERT_TRUE(Start(Params(true, "geheim")));
    EXPECT_EQ(Log().find(stale), std::string::npos) << Log();
    EXPECT_NE(Log().find("Sachdatenfehler: 1"), std::string::npos) << Log();
    // A run that breaks off before its checks leaves no log at all, not the old one.
    dir.WriteFile("export/wie17.log", stale);
    std::filesystem::remove(dir / "export/wie17.arg");
    std::filesystem::create_directories(dir / "export/wie17.arg/blocked");
    Start(Params(true, "geheim"));
    EXPECT_FALSE(std::filesystem::exists(dir / "export/wie17.log"));
}

}  // namespace
