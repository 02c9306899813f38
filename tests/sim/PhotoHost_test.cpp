// The stand-in's host table Objektphotos in the project database, walked and written through
// the host functions, and identifiers kept within the host's bound.
#include <gtest/gtest.h>

#include "host/HostActions.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "host/fxAPI32.h"
#include "support/Session.h"
#include "util/Tools.h"

namespace {

class PhotoHostLinks : public ::testing::Test {
protected:
    testsupport::Session session;
    sim::Project& p = sim::TheProject();

    void SetUp() override {
        for (int32_t id : {1, 2, 3})
            p.objects[id] = sim::GeoObject{id, "O" + std::to_string(id), 1, 1, 0, 0};
        Link(2, 7);
        Link(1, 5);
        Link(2, 0);
        Link(1, 6);
    }
    void Link(int32_t object, int32_t photo) {
        sim::InsertDbRow(session.Database(), "Objektphotos",
                         {{"FELDIXID", std::to_string(object)}, {"PhotoID", photo ? std::to_string(photo) : ""}});
    }
    std::string Value(const char* field) {
        char buf[32] = {};
        return fxGetValueByName("Objektphotos", field, buf, sizeof buf - 1) ? buf : "<none>";
    }
    // The PhotoIDs the cursor presents from the first record on.
    std::vector<std::string> Walk() {
        std::vector<std::string> ids;
        for (fxTableFirst("Objektphotos"); !fxTableEOF("Objektphotos"); fxTableNext("Objektphotos"))
            ids.push_back(Value("PhotoID"));
        return ids;
    }
};

}  // namespace

TEST_F(PhotoHostLinks, CursorPresentsTheLinksOfTheActiveObjectInKeyOrder) {
    p.activeObject = 1;
    EXPECT_EQ(Walk(), (std::vector<std::string>{"5", "6"}));
    p.activeObject = 2;
    EXPECT_EQ(Value("PhotoID"), "7");  // a new active object: the cursor is on its first link
    EXPECT_EQ(Walk(), (std::vector<std::string>{"7", ""}));
    EXPECT_EQ(Value("Hauptphoto"), "<none>");  // at the end nothing is read
    p.activeObject = 3;
    EXPECT_TRUE(fxTableEOF("Objektphotos"));
    EXPECT_EQ(Value("Unbekannt"), "<none>");
}

TEST_F(PhotoHostLinks, ValuesAreWrittenToTheCurrentLinkAndAppendedLinksBelongToTheObject) {
    p.activeObject = 1;
    fxTableFirst("Objektphotos");
    fxTableNext("Objektphotos");
    EXPECT_EQ(fxSetValueByName("Objektphotos", "Hauptphoto", "WAHR"), 1);
    EXPECT_EQ(fxSetValueByName("Objektphotos", "Keine", "1"), 0);
    ASSERT_EQ(fxAppendRecord("Objektphotos"), 1);
    EXPECT_EQ(Value("PhotoID"), "");
    EXPECT_EQ(Value("Hauptphoto"), "FALSCH");
    EXPECT_EQ(fxSetValueByName("Objektphotos", "PhotoID", "-3"), 1);
    EXPECT_EQ(Walk(), (std::vector<std::string>{"5", "6", "-3"}));
    const auto rows = sim::ReadDbRows(session.Database(), "Objektphotos");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].at("Hauptphoto"), "WAHR");
    EXPECT_EQ(rows[4].at("FELDIXID"), "1");
    EXPECT_EQ(rows[4].at("PhotoID"), "-3");
    fxDisableControls("Objektphotos");
    EXPECT_EQ(p.links.disabled, 1);
    fxEnableControls("Objektphotos");
    fxEnableControls("Objektphotos");
    EXPECT_EQ(p.links.disabled, 0);
    p.activeObject = 0;
    EXPECT_EQ(fxAppendRecord("Objektphotos"), 0);  // no object, no link
}

TEST_F(PhotoHostLinks, InjectedFailuresAndMemoryTablesComeFirst) {
    p.activeObject = 1;
    p.FailCall("fxGetValueByName", 1, false, sim::FailMode::Return);
    EXPECT_EQ(Value("PhotoID"), "<none>");
    EXPECT_EQ(Value("PhotoID"), "5");
    sim::HostTable& t = p.tables["Objektphotos"];
    t.columns = {"PhotoID"};
    t.rows.push_back({{"PhotoID", "99"}});
    EXPECT_EQ(Walk(), (std::vector<std::string>{"99"}));
}

TEST(PhotoHostKennung, IdentifiersAreCutToTheHostsFieldAndFitThePluginsBuffer) {
    testsupport::Session session;
    sim::Project& p = sim::TheProject();
    const std::string longer(300, 'K');
    p.objects[1] = sim::GeoObject{1, p.HostKennung(longer), 1, 1, 0, 0};
    EXPECT_EQ(p.objects[1].kennung.size(), 255u);
    // The plug-in's buffer takes exactly the longest identifier the host keeps.
    EXPECT_EQ(MyGetKennungOfID(1), std::string(255, 'K'));
    sim::RenameObject(1, longer + "X");
    EXPECT_EQ(MyGetKennungOfID(1), std::string(255, 'K'));
}
