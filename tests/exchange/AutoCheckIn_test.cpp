// The check-in dialog: its settings, the two runs of the check-in program and the log judgement.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "exchange/AutoCheckIn.h"
#include "exchange/ExportFuncs.h"
#include "exchange/CheckInSettings.h"
#include "host/Environment.h"
#include "platform/os/Registry.h"
#include "support/ArgDump.h"
#include "support/Session.h"
#include "util/Tools.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ArgDump;
using testsupport::ReadArgDump;
using testsupport::Session;
using testsupport::TempDir;
using Args = std::vector<std::string>;

constexpr char kPrefix[] = "Transa";
constexpr char kBothZero[] = "Sachdatenfehler: 0|Grafikfehler: 0";

class ExchangeCheckIn : public ::testing::Test {
protected:
    Session s;
    fs::path exportDir = s.dir / "Export";
    fs::path logFile = exportDir / (std::string(kPrefix) + ".log");

    void SetUp() override
    {
        ClearCheckInSettings();
        fs::create_directory(exportDir);
        sim::SetEnvironment("VE1_CHECKIN_PLAN", (s.dir / "plan.txt").string());
    }
    void TearDown() override { ClearCheckInSettings(); }

    static std::string Program() { return TempDir::ToWin(fs::absolute(VE1_CHECKIN_STANDIN).string()); }

    // What the stand-in writes as the log of each run; nullptr: no log at all.
    void Plan(const char* trial, const char* live)
    {
        std::string plan = "dump=" + s.dir.path().string() + "\nlog=" + logFile.string() + "\n";
        if (trial)
            plan += std::string("trial=") + trial + "\n";
        if (live)
            plan += std::string("live=") + live + "\n";
        s.dir.WriteFile("plan.txt", plan);
    }

    void Setting(const char* name, const std::string& value)
    {
        os::RegIniFile reg("Vestra");
        reg.WriteString("AutoCheckIn", name, value);
    }
    std::string Stored(const char* name)
    {
        os::RegIniFile reg("Vestra");
        return reg.ValueExists("AutoCheckIn", name) ? reg.ReadString("AutoCheckIn", name, "") : "<absent>";
    }

    // Opens the dialog on the export directory, clicks Start and gives the modal result.
    int Start(std::deque<std::string> answersAfterStart)
    {
        TfrmVestraCheckIn form;
        form.TransactionDir = TempDir::ToWin(exportDir.string()) + "\\";
        form.TransactionName = kPrefix;
        form.InitControls();
        s.answers = {"click btnStart"};
        s.answers.insert(s.answers.end(), answersAfterStart.begin(), answersAfterStart.end());
        return form.ShowModal();
    }

    ArgDump Run(const char* run) { return ReadArgDump(s.dir / (std::string(run) + ".args")); }

    // The first line of each message box: its type and buttons.
    std::vector<std::string> MessageKinds() const
    {
        std::vector<std::string> out;
        for (const auto& e : s.events) {
            if (e.rfind("message", 0) == 0)
                out.push_back(e.substr(0, e.find('\n')));
        }
        return out;
    }
    bool StoredLogin()
    {
        os::RegIniFile reg("Vestra");
        EXPECT_TRUE(reg.ValueExists("AutoCheckIn", "StoreLoginParams"));
        return reg.ReadBool("AutoCheckIn", "StoreLoginParams", false);
    }
    std::string LogName() const { return CheckInLogFileName(TempDir::ToWin(exportDir.string()), kPrefix); }
    std::string LogMissing() const { return "Die Logdatei " + LogName() + " konnte nicht gefunden werden!"; }
};

// ---- the log judgement ----

TEST_F(ExchangeCheckIn, LogNeedsBothKeywordsWithCountZeroInEitherOrder)
{
    TfrmVestraCheckIn form;
    const std::string dir = exportDir.string();
    auto judge = [&](const std::string& content) {
        s.dir.WriteFile("Export/Transa.log", content);
        return form.ProbelaufErfolgreich(dir, kPrefix);
    };
    EXPECT_TRUE(judge("Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n"));
    EXPECT_TRUE(judge("Kopf\nGrafikfehler: 0\nandere Zeile\nSachdatenfehler: 0"));
    EXPECT_TRUE(judge("Sachdatenfehler 0\nGrafikfehler 0\n"));
    EXPECT_TRUE(judge("Sachdatenfehler gefunden: 0\nGrafikfehler gesamt:  0\n"));
    EXPECT_FALSE(judge("Sachdatenfehler: 0\r\n"));
    EXPECT_FALSE(judge("Grafikfehler: 0\r\n"));
    EXPECT_FALSE(judge(""));
    EXPECT_TRUE(s.events.empty());
}

TEST_F(ExchangeCheckIn, LogWithOtherCountBlankAfterZeroOrLowerCaseFails)
{
    TfrmVestraCheckIn form;
    const std::string dir = exportDir.string();
    auto judge = [&](const std::string& content) {
        s.dir.WriteFile("Export/Transa.log", content);
        return form.ProbelaufErfolgreich(dir, kPrefix);
    };
    EXPECT_FALSE(judge("Sachdatenfehler: 3\r\nGrafikfehler: 0\r\n"));
    EXPECT_FALSE(judge("Sachdatenfehler: 0\r\nGrafikfehler: 10\r\n"));
    EXPECT_FALSE(judge("Sachdatenfehler: 0 \r\nGrafikfehler: 0\r\n"));
    EXPECT_FALSE(judge("Sachdatenfehler: 0\r\nGrafikfehler: 0 \r\n"));
    EXPECT_FALSE(judge("Sachdatenfehler: 00\r\nGrafikfehler: 0\r\n"));
    EXPECT_FALSE(judge("sachdatenfehler: 0\r\nGrafikfehler: 0\r\n"));
    EXPECT_FALSE(judge("Sachdatenfehler: 0\r\nGRAFIKFEHLER: 0\r\n"));
    EXPECT_FALSE(judge("Summe Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n"));
    EXPECT_FALSE(judge("Anzahl-Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n"));
    EXPECT_FALSE(judge("Sachdaten: 0\r\nGrafik: 0\r\n"));
    EXPECT_FALSE(judge(" Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n"));
}

TEST_F(ExchangeCheckIn, LaterLineClearsAFlagUntilSuccessWasReached)
{
    TfrmVestraCheckIn form;
    const std::string dir = exportDir.string();
    auto judge = [&](const std::string& content) {
        s.dir.WriteFile("Export/Transa.log", content);
        return form.ProbelaufErfolgreich(dir, kPrefix);
    };
    EXPECT_FALSE(judge("Sachdatenfehler: 0\nSachdatenfehler: 2\nGrafikfehler: 0\n"));
    EXPECT_TRUE(judge("Sachdatenfehler: 2\nSachdatenfehler: 0\nGrafikfehler: 0\n"));
    EXPECT_TRUE(judge("Sachdatenfehler: 0\nGrafikfehler: 0\nSachdatenfehler: 2\n"));
    // The last token is what follows the last blank, however many tokens the line has.
    std::string longLine = "Sachdatenfehler:";
    for (int i = 0; i < 300; ++i)
        longLine += " x";
    EXPECT_FALSE(judge(longLine + " 5\nGrafikfehler: 0\n"));
    EXPECT_TRUE(judge(longLine + " 0\nGrafikfehler: 0\n"));
}

TEST_F(ExchangeCheckIn, MissingLogIsReportedAndFails)
{
    TfrmVestraCheckIn form;
    EXPECT_FALSE(form.ProbelaufErfolgreich(TempDir::ToWin(exportDir.string()), kPrefix));
    EXPECT_EQ(s.Messages(), Args{LogMissing()});
    EXPECT_EQ(MessageKinds(), Args{"message error ok"});
}

// ---- the parameter strings ----

TEST(ExchangeCheckInParameters, TrialBeginsWithFlagAndTwoBlanksLiveHasNoFlag)
{
    EXPECT_EQ(CheckInParameters(true, "srv", "anna", "pw", "geo", "C:\\Export\\", "Transa"),
              "-l  -s srv -u anna -p pw -D geo -d C:\\Export -n Transa ");
    EXPECT_EQ(CheckInParameters(false, "srv", "anna", "pw", "geo", "C:\\Export", "Transa"),
              "-s srv -u anna -p pw -D geo -d C:\\Export -n Transa ");
    EXPECT_EQ(CheckInParameters(false, "", "", "", "", "", ""), "-s  -u  -p  -D  -d  -n  ");
    // Only a value with a blank or a quote is quoted; the directory loses its delimiter first.
    EXPECT_EQ(CheckInParameters(true, "srv", "anna", "ge heim", "geo", "C:\\Daten\\Export Moorwiesen\\", "Transa"),
              "-l  -s srv -u anna -p \"ge heim\" -D geo -d \"C:\\Daten\\Export Moorwiesen\" -n Transa ");
    EXPECT_EQ(CheckInParameters(false, "srv", "an\"na", "pw", "geo", "C:\\Export", "Transa"),
              "-s srv -u \"an\\\"na\" -p pw -D geo -d C:\\Export -n Transa ");
}

// ---- the dialog ----

TEST_F(ExchangeCheckIn, ControlsTextsAndSettingsShownOnOpening)
{
    TfrmVestraCheckIn form;
    EXPECT_EQ(form.Caption, "VESTRA Check-In");
    EXPECT_EQ(form.Placement, ui::Position::ScreenCenter);
    EXPECT_EQ(form.Border, ui::BorderStyle::Dialog);
    EXPECT_EQ(form.GroupBox1.Caption, " Login ");
    EXPECT_EQ(form.GroupBox2.Caption, " Datenbank ");
    EXPECT_EQ(form.GroupBox3.Caption, " Transaktion ");
    EXPECT_EQ(form.GroupBox4.Caption, " Programmpfad ");
    EXPECT_EQ(form.lblUserName.Caption, "Nutzer:");
    EXPECT_EQ(form.lblPassword.Caption, "Passwort:");
    EXPECT_EQ(form.cbStoreLogin.Caption, "Login-Informationen speichern");
    EXPECT_EQ(form.lblDBServer.Caption, "DB-Server:");
    EXPECT_EQ(form.lblDatabase.Caption, "Datenbank:");
    EXPECT_EQ(form.lblImportDir.Caption, "Importverzeichnis:");
    EXPECT_EQ(form.lblTransaktionsname.Caption, "Transaktionsname:");
    EXPECT_EQ(form.lblProgrammpfad.Caption, "CheckIn.exe:");
    EXPECT_EQ(form.lblEditorPath.Caption, "Editor");
    EXPECT_EQ(form.btnStart.Caption, "Start");
    EXPECT_EQ(form.btnCancel.Caption, "Abbruch");
    EXPECT_TRUE(form.EditPassword.Password);
    EXPECT_FALSE(form.EditUserName.Password);
    EXPECT_TRUE(form.EditImportDir.ReadOnly);
    EXPECT_TRUE(form.EditTransaktionsname.ReadOnly);
    EXPECT_FALSE(form.editProgrammpfad.ReadOnly);

    // Nothing stored: the logon name, no password.
    form.TransactionDir = "C:\\Export";
    form.TransactionName = kPrefix;
    form.InitControls();
    EXPECT_FALSE(form.cbStoreLogin.Checked);
    EXPECT_EQ(form.EditUserName.Caption, GetCurrentUserName());
    EXPECT_EQ(form.EditPassword.Caption, "");
    EXPECT_EQ(form.EditImportDir.Caption, "C:\\Export");
    EXPECT_EQ(form.EditTransaktionsname.Caption, kPrefix);

    // A stored user and password count only while "StoreLoginParams" is set.
    Setting("UserName", "anna");
    Setting("Password", "geheim");
    Setting("DBServer", "srv");
    Setting("Datenbank", "geo");
    Setting("ProgramPath", "C:\\V\\CheckIn.exe");
    Setting("EditorPath", "C:\\W\\notepad.exe");
    form.InitControls();
    EXPECT_EQ(form.EditUserName.Caption, GetCurrentUserName());
    EXPECT_EQ(form.EditPassword.Caption, "");
    EXPECT_EQ(form.EditDBServer.Caption, "srv");
    EXPECT_EQ(form.EditDatabase.Caption, "geo");
    EXPECT_EQ(form.editProgrammpfad.Caption, "C:\\V\\CheckIn.exe");
    EXPECT_EQ(form.EditEditorPath.Caption, "C:\\W\\notepad.exe");
    os::RegIniFile("Vestra").WriteBool("AutoCheckIn", "StoreLoginParams", true);
    form.InitControls();
    EXPECT_TRUE(form.cbStoreLogin.Checked);
    EXPECT_EQ(form.EditUserName.Caption, "anna");
    EXPECT_EQ(form.EditPassword.Caption, "geheim");

    // The password is shown masked, the transaction fields cannot be typed into.
    s.answers = {"set EditImportDir C:\\Anders", "close"};
    form.ShowModal();
    ASSERT_GE(s.events.size(), 2u);
    EXPECT_NE(s.events[0].find("control EditPassword edit\ntext ******\n"), std::string::npos) << s.events[0];
    EXPECT_NE(s.events[0].find("password 1\n"), std::string::npos);
    EXPECT_EQ(s.events[1], "refused EditImportDir is read-only\n");
    EXPECT_EQ(form.EditImportDir.Caption, "C:\\Export");
}

TEST_F(ExchangeCheckIn, StartStoresSettingsFirstAndWithoutLoginEmptyUserAndPassword)
{
    Setting("ProgramPath", TempDir::ToWin((s.dir / "nirgends" / "CheckIn.exe").string()));
    TfrmVestraCheckIn form;
    form.TransactionDir = "C:\\Export";
    form.TransactionName = kPrefix;
    form.InitControls();
    s.answers = {"set EditUserName anna", "set EditPassword geheim", "set EditDBServer srv",
                 "set EditDatabase geo", "set EditEditorPath C:\\W\\notepad.exe", "click btnStart"};
    EXPECT_EQ(form.ShowModal(), ui::mrAbort);
    EXPECT_EQ(s.Messages(), Args{"Das Programm " + Stored("ProgramPath") + " konnte nicht gefunden werden!"});
    EXPECT_EQ(MessageKinds(), Args{"message error ok"});
    EXPECT_FALSE(StoredLogin());
    EXPECT_EQ(Stored("UserName"), "");
    EXPECT_EQ(Stored("Password"), "");
    EXPECT_EQ(Stored("DBServer"), "srv");
    EXPECT_EQ(Stored("Datenbank"), "geo");
    EXPECT_EQ(Stored("EditorPath"), "C:\\W\\notepad.exe");

    // Checked, the login is stored as typed; the next opening shows it.
    s.answers = {"check cbStoreLogin 1", "click btnStart"};
    EXPECT_EQ(form.ShowModal(), ui::mrAbort);
    EXPECT_TRUE(StoredLogin());
    EXPECT_EQ(Stored("UserName"), "anna");
    EXPECT_EQ(Stored("Password"), "geheim");
    TfrmVestraCheckIn again;
    again.InitControls();
    EXPECT_EQ(again.EditUserName.Caption, "anna");
    EXPECT_EQ(again.EditPassword.Caption, "geheim");

    // Unchecked again: both emptied, and the next opening falls back to the logon name.
    s.answers = {"check cbStoreLogin 0", "click btnStart"};
    EXPECT_EQ(again.ShowModal(), ui::mrAbort);
    EXPECT_EQ(Stored("UserName"), "");
    EXPECT_EQ(Stored("Password"), "");
    TfrmVestraCheckIn third;
    third.InitControls();
    EXPECT_EQ(third.EditUserName.Caption, GetCurrentUserName());
    EXPECT_EQ(third.EditPassword.Caption, "");
}

TEST_F(ExchangeCheckIn, CancelAndFileChoosersStoreNothing)
{
    TfrmVestraCheckIn form;
    form.InitControls();
    form.editProgrammpfad.Caption = "C:\\Alt\\CheckIn.exe";
    form.EditEditorPath.Caption = "C:\\Alt\\edit.exe";
    s.answers = {"click btnSetProgramDir", "file C:\\VESTRA\\CheckIn.exe", "click BtnSetEditorName",
                 "cancel", "click btnCancel"};
    EXPECT_EQ(form.ShowModal(), ui::mrCancel);
    EXPECT_EQ(form.editProgrammpfad.Caption, "C:\\VESTRA\\CheckIn.exe");
    EXPECT_EQ(form.EditEditorPath.Caption, "C:\\Alt\\edit.exe");
    ASSERT_GE(s.events.size(), 4u);
    EXPECT_NE(s.events[1].find("filedialog open\n"), std::string::npos);
    EXPECT_NE(s.events[1].find("filter Checkin.exe|Checkin.exe\n"), std::string::npos);
    EXPECT_NE(s.events[1].find("name C:\\Alt\\CheckIn.exe\n"), std::string::npos);
    EXPECT_NE(s.events[3].find("filter Ausführbare Dateien (*.exe)|*.exe\n"), std::string::npos);
    EXPECT_NE(s.events[3].find("name C:\\Alt\\edit.exe\n"), std::string::npos);
    for (const char* name : {"StoreLoginParams", "UserName", "Password", "DBServer", "Datenbank", "ProgramPath",
                             "EditorPath"})
        EXPECT_EQ(Stored(name), "<absent>") << name;
}

TEST_F(ExchangeCheckIn, TrialThenLiveWithTheirParametersWhenViewingIsDeclined)
{
    Setting("ProgramPath", Program());
    Setting("DBServer", "srv");
    Setting("Datenbank", "geo");
    os::RegIniFile("Vestra").WriteBool("AutoCheckIn", "StoreLoginParams", true);
    Setting("UserName", "anna");
    Setting("Password", "geheim wort");
    Plan(kBothZero, kBothZero);
    EXPECT_EQ(Start({"no", "no"}), ui::mrOk);
    EXPECT_EQ(s.Messages(), (Args{"Probe-Checkin erfolgreich durchgeführt! Logdate ansehen?",
                                  "Checkin erfolgreich durchgeführt! Logdatei ansehen?"}));
    EXPECT_EQ(MessageKinds(), (Args{"message information yesno", "message confirmation yesno"}));
    for (const auto& e : s.events)
        EXPECT_EQ(e.find("cursor busy"), std::string::npos) << e;

    // The password and the directory with blanks arrive whole.
    Args rest{"-s", "srv", "-u", "anna", "-p", "geheim wort", "-D", "geo", "-d", TempDir::ToWin(exportDir.string()),
              "-n", kPrefix};
    Args trial{"-l"};
    trial.insert(trial.end(), rest.begin(), rest.end());
    EXPECT_EQ(Run("trial").args, trial);
    EXPECT_EQ(Run("live").args, rest);
    EXPECT_FALSE(Run("view").found);
}

TEST_F(ExchangeCheckIn, ViewingTheTrialLogStartsTheEditorWithItsPathThenTheNotice)
{
    Setting("ProgramPath", Program());
    Setting("EditorPath", Program());
    Plan(kBothZero, kBothZero);
    EXPECT_EQ(Start({"yes", "ok", "no"}), ui::mrOk);
    EXPECT_EQ(s.Messages(), (Args{"Probe-Checkin erfolgreich durchgeführt! Logdate ansehen?", "Scharfen Checkin starten",
                                  "Checkin erfolgreich durchgeführt! Logdatei ansehen?"}));
    EXPECT_EQ(MessageKinds()[1], "message information ok");
    EXPECT_TRUE(Run("live").found);
    // The editor runs on its own; its start is awaited here.
    ArgDump view;
    for (int i = 0; i < 200 && !(view = Run("view")).found; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(view.found);
    EXPECT_EQ(view.args, Args{LogName()});
}

TEST_F(ExchangeCheckIn, FailedTrialRunOffersTheLogAndSkipsTheLiveRun)
{
    Setting("ProgramPath", Program());
    Plan("Sachdatenfehler: 2|Grafikfehler: 0", kBothZero);
    EXPECT_EQ(Start({}), ui::mrCancel);
    // No editor configured: the log is offered, the editor reported missing.
    EXPECT_EQ(s.Messages(), (Args{"Der Probe-Checkin war nicht erfolgreich!", "Der Editor  konnte nicht gefunden werden!"}));
    EXPECT_EQ(MessageKinds(), (Args{"message error ok", "message error ok"}));
    EXPECT_TRUE(Run("trial").found);
    EXPECT_FALSE(Run("live").found);
}

TEST_F(ExchangeCheckIn, FailedLiveRunSaysTheCheckInFailed)
{
    Setting("ProgramPath", Program());
    Setting("EditorPath", TempDir::ToWin((s.dir / "kein" / "edit.exe").string()));
    Plan(kBothZero, "Sachdatenfehler: 0|Grafikfehler: 1");
    EXPECT_EQ(Start({"no"}), ui::mrCancel);
    EXPECT_EQ(s.Messages(), (Args{"Probe-Checkin erfolgreich durchgeführt! Logdate ansehen?",
                                  "Der Checkin war nicht erfolgreich!",
                                  "Der Editor " + Stored("EditorPath") + " konnte nicht gefunden werden!"}));
    EXPECT_TRUE(Run("live").found);
}

TEST_F(ExchangeCheckIn, StaleLogOfAnEarlierRunDoesNotCount)
{
    Setting("ProgramPath", Program());
    s.dir.WriteFile("Export/Transa.log", "Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n");
    Plan(nullptr, kBothZero);
    EXPECT_EQ(Start({}), ui::mrCancel);
    // Missing after the run, then the failure, then missing again when it is offered.
    EXPECT_EQ(s.Messages(), (Args{LogMissing(), "Der Probe-Checkin war nicht erfolgreich!", LogMissing()}));
    EXPECT_TRUE(Run("trial").found);
    EXPECT_FALSE(Run("live").found);
    EXPECT_FALSE(fs::exists(logFile));
}

TEST_F(ExchangeCheckIn, TrialLogDoesNotCountForTheLiveRun)
{
    Setting("ProgramPath", Program());
    Plan(kBothZero, nullptr);
    EXPECT_EQ(Start({"no"}), ui::mrCancel);
    EXPECT_EQ(s.Messages(), (Args{"Probe-Checkin erfolgreich durchgeführt! Logdate ansehen?", LogMissing(),
                                  "Der Checkin war nicht erfolgreich!", LogMissing()}));
    EXPECT_TRUE(Run("live").found);
}

TEST_F(ExchangeCheckIn, LogThatCannotBeRemovedStopsBeforeTheProgramStarts)
{
    Setting("ProgramPath", Program());
    fs::create_directories(logFile / "inhalt");
    Plan(kBothZero, kBothZero);
    EXPECT_EQ(Start({}), ui::mrAbort);
    EXPECT_EQ(s.Messages(), Args{"Die alte Logdatei " + LogName() + " konnte nicht gelöscht werden!"});
    EXPECT_FALSE(Run("trial").found);
    EXPECT_FALSE(Run("live").found);
}

TEST_F(ExchangeCheckIn, ProgramThatCannotRunLeavesNoLogAndFails)
{
    // A file of the right name that is no program.
    s.dir.WriteFile("CheckIn.exe", "kein Programm");
    Setting("ProgramPath", TempDir::ToWin((s.dir / "CheckIn.exe").string()));
    s.dir.WriteFile("Export/Transa.log", "Sachdatenfehler: 0\r\nGrafikfehler: 0\r\n");
    EXPECT_EQ(Start({}), ui::mrCancel);
    EXPECT_EQ(s.Messages(), (Args{LogMissing(), "Der Probe-Checkin war nicht erfolgreich!", LogMissing()}));
}

// ---- the opener ----

TEST_F(ExchangeCheckIn, StartOpensTheDialogOnlyWhenApplicatIniEnablesIt)
{
    StartVestraCheckIn("C:\\Export\\", kPrefix);
    for (const char* value : {"0", "-1", "ja"}) {
        s.dir.WriteFile("applicat.ini", std::string("[VESTRA]\r\nAutoCheckIn=") + value + "\r\n");
        StartVestraCheckIn("C:\\Export\\", kPrefix);
    }
    s.dir.WriteFile("applicat.ini", "[ANDERS]\r\nAutoCheckIn=1\r\n");
    StartVestraCheckIn("C:\\Export\\", kPrefix);
    EXPECT_TRUE(s.events.empty());

    s.dir.WriteFile("applicat.ini", "[VESTRA]\r\nAutoCheckIn=2\r\n");
    s.answers = {"click btnCancel"};
    StartVestraCheckIn("C:\\Export\\", kPrefix);
    ASSERT_FALSE(s.events.empty());
    EXPECT_EQ(s.events[0].rfind("form 1 TfrmVestraCheckIn\ncaption VESTRA Check-In\n", 0), 0u) << s.events[0];
    EXPECT_NE(s.events[0].find("control EditImportDir edit\ntext C:\\Export\n"), std::string::npos);
    EXPECT_NE(s.events[0].find("control EditTransaktionsname edit\ntext Transa\n"), std::string::npos);
    EXPECT_EQ(Stored("ProgramPath"), "<absent>");
}

}  // namespace
