#include "util/Tools.h"

#include "host/Project.h"
#include "platform/ui/Forms.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using testsupport::TempDir;

struct ShownMessage {
    std::string text;
    ui::MsgType type;
};

// Records the message boxes instead of showing them.
class RecordingBackend : public ui::Backend {
public:
    explicit RecordingBackend(std::vector<ShownMessage>& shown) : shown_(shown) {}
    int ShowModal(ui::Form&) override { return ui::mrCancel; }
    void ShowModeless(ui::Form&) override {}
    void CloseModeless(ui::Form&) override {}
    int Message(const std::string& text, ui::MsgType type, ui::MsgButtons) override
    {
        shown_.push_back({text, type});
        return ui::mrOk;
    }
    bool FileDialog(bool, const ui::FileDialogOptions&, std::string&) override { return false; }
    void ShowDocument(const ui::DocumentView&) override {}
private:
    std::vector<ShownMessage>& shown_;
};

class HostWrappers : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::ResetProject();
        ui::SetBackend(std::make_unique<RecordingBackend>(shown));
    }
    static sim::Project& Host() { return sim::TheProject(); }
    static void Raise(const char* function) { Host().FailCall(function, 1, true, sim::FailMode::Raise); }
    static void Refuse(const char* function) { Host().FailCall(function, 1, true, sim::FailMode::Return); }

    std::vector<ShownMessage> shown;
};

TEST_F(HostWrappers, DirectoriesGetOneTrailingBackslash)
{
    Host().projectDir = "C:\\Projekte\\Nord";
    Host().verfahrenDir = "C:\\FELDIX\\Verfahren\\";
    EXPECT_EQ(MyGetProjectDir(), "C:\\Projekte\\Nord\\");
    EXPECT_EQ(MyGetVerfahrenDir(), "C:\\FELDIX\\Verfahren\\");
}

TEST_F(HostWrappers, ProjectDatabaseAsTheHostGivesIt)
{
    Host().projectDB = "C:\\Projekte\\Nord\\Projekt.mdb";
    EXPECT_EQ(MyGetProjectDB(), "C:\\Projekte\\Nord\\Projekt.mdb");
    Host().projectDB = "C:\\Projekte\\";
    EXPECT_EQ(MyGetProjectDB(), "C:\\Projekte\\");
}

TEST_F(HostWrappers, PathsAreFetchedWith255Characters)
{
    Host().projectDir = std::string(300, 'p');
    Host().projectDB = std::string(300, 'd');
    EXPECT_EQ(MyGetProjectDir(), std::string(255, 'p') + "\\");
    EXPECT_EQ(MyGetProjectDB(), std::string(255, 'd'));
}

TEST_F(HostWrappers, RaisingPathCallsGiveEmptyText)
{
    Host().projectDir = "C:\\P";
    Host().verfahrenDir = "C:\\V";
    Host().projectDB = "C:\\P\\db.mdb";
    Raise("fxGetProjectDir");
    Raise("fxGetVerfahrenDir");
    Raise("fxGetProjectDB");
    EXPECT_EQ(MyGetProjectDir(), "");
    EXPECT_EQ(MyGetVerfahrenDir(), "");
    EXPECT_EQ(MyGetProjectDB(), "");
    EXPECT_TRUE(shown.empty());
}

TEST_F(HostWrappers, KennungOfIdTakesIdentifiersOfFiftyCharacters)
{
    const std::string longKennung = "NSG-" + std::string(46, 'x');
    ASSERT_EQ(longKennung.size(), 50u);
    Host().objects[7] = sim::GeoObject{7, longKennung, 1, 6, 0, 0};
    Host().objects[8] = sim::GeoObject{8, "", 1, 6, 0, 0};
    EXPECT_EQ(MyGetKennungOfID(7), longKennung);
    EXPECT_EQ(MyGetKennungOfID(8), "");
    EXPECT_EQ(MyGetKennungOfID(99), "");
}

TEST_F(HostWrappers, KennungOfIdIsEmptyWhenTheHostFailsOrRaises)
{
    Host().objects[7] = sim::GeoObject{7, "LSG-0001", 1, 6, 0, 0};
    Host().FailCall("fxGetObjectData", 1, false, sim::FailMode::Return);
    EXPECT_EQ(MyGetKennungOfID(7), "");
    EXPECT_EQ(MyGetKennungOfID(7), "LSG-0001");
    Host().FailCall("fxGetObjectData", 1, false, sim::FailMode::Raise);
    EXPECT_EQ(MyGetKennungOfID(7), "");
    EXPECT_TRUE(shown.empty());
}

TEST_F(HostWrappers, ClassNameFromTheFirstBuffer)
{
    Host().classes[3] = "NSG";
    EXPECT_EQ(MyGetObjectClassName(3, 100), "NSG");
    EXPECT_EQ(MyGetObjectClassName(4, 100), "");
    Refuse("fxGetObjectClassData");
    EXPECT_EQ(MyGetObjectClassName(3, 100), "");
    EXPECT_TRUE(shown.empty());
}

TEST_F(HostWrappers, ClassNameShowsTheErrorOfARaisingHost)
{
    Host().classes[3] = "FFH";
    Raise("fxGetObjectClassData");
    EXPECT_EQ(MyGetObjectClassName(3, 100), "");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "fxGetObjectClassData: Zugriffsverletzung im Host");
    EXPECT_EQ(shown[0].type, ui::MsgType::Plain);
}

class HostValues : public HostWrappers {
protected:
    void SetUp() override
    {
        HostWrappers::SetUp();
        sim::HostTable& t = Host().tables["Objektphotos"];
        t.columns = {"PKEY", "PhotoID", "Hauptphoto", "Leer"};
        t.rows.push_back({{"PKEY", "12"}, {"PhotoID", "Foto 3"}, {"Hauptphoto", "-1"}, {"Leer", ""}});
    }
};

TEST_F(HostValues, IntegerValueOrMinusOne)
{
    EXPECT_EQ(MyGetIntValueByName("Objektphotos", "PKEY"), 12);
    EXPECT_EQ(MyGetIntValueByName("Objektphotos", "PhotoID"), -1);
    EXPECT_EQ(MyGetIntValueByName("Objektphotos", "Leer"), -1);
    EXPECT_EQ(MyGetIntValueByName("Objektphotos", "Unbekannt"), -1);
    EXPECT_EQ(MyGetIntValueByName("Unbekannt", "PKEY"), -1);
    Raise("fxGetValueByName");
    EXPECT_EQ(MyGetIntValueByName("Objektphotos", "PKEY"), -1);
}

TEST_F(HostValues, ExReportsTheHostsAnswerAndFillsTheValueOnlyOnSuccess)
{
    int32_t value = 5;
    EXPECT_TRUE(MyGetIntValueByNameEx("Objektphotos", "PKEY", value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(MyGetIntValueByNameEx("Objektphotos", "Hauptphoto", value));
    EXPECT_EQ(value, -1);

    value = 5;
    EXPECT_FALSE(MyGetIntValueByNameEx("Objektphotos", "Unbekannt", value));
    EXPECT_FALSE(MyGetIntValueByNameEx("Objektphotos", "PhotoID", value));
    EXPECT_EQ(value, 5);
    Raise("fxGetValueByName");
    EXPECT_FALSE(MyGetIntValueByNameEx("Objektphotos", "PKEY", value));
    EXPECT_EQ(value, 5);
}

class ApplicatIni : public HostWrappers {
protected:
    void SetUp() override
    {
        HostWrappers::SetUp();
        Host().verfahrenDir = dir.Win();
    }
    TempDir dir;
};

TEST_F(ApplicatIni, MissingFileGivesTheDefault)
{
    EXPECT_EQ(ReadIntFromApplicatIni("VESTRA", "AutoCheckIn", 0), 0);
    EXPECT_EQ(ReadIntFromApplicatIni("VESTRA", "AutoCheckIn", 7), 7);
}

TEST_F(ApplicatIni, ReadsTheIntegerOfTheProcedureDirectory)
{
    dir.WriteFile("applicat.ini", "[Allgemein]\r\nAutoCheckIn=5\r\n[VESTRA]\r\nAutoCheckIn=1\r\nText=ja\r\n");
    EXPECT_EQ(ReadIntFromApplicatIni("VESTRA", "AutoCheckIn", 0), 1);
    EXPECT_EQ(ReadIntFromApplicatIni("Allgemein", "AutoCheckIn", 0), 5);
    EXPECT_EQ(ReadIntFromApplicatIni("VESTRA", "Text", -2), -2);
    EXPECT_EQ(ReadIntFromApplicatIni("VESTRA", "Fehlt", 3), 3);
    EXPECT_EQ(ReadIntFromApplicatIni("Fehlt", "AutoCheckIn", 4), 4);
}

TEST_F(ApplicatIni, ARaisingHostGivesTheDefault)
{
    dir.WriteFile("applicat.ini", "[VESTRA]\r\nAutoCheckIn=1\r\n");
    Raise("fxGetVerfahrenDir");
    EXPECT_EQ(ReadIntFromApplicatIni("VESTRA", "AutoCheckIn", 0), 0);
}

}  // namespace
