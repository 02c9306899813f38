// Queries and pool bookkeeping of the transaction store, and the strip of the project.
#include <gtest/gtest.h>

#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/os/Registry.h"
#include "store/TransActTools.h"
#include "support/Session.h"
#include "util/Settings.h"

namespace {

using testsupport::Session;

TEST(Store, QueriesWithoutTransactionDataGiveMinusOne) {
    Session s;
    EXPECT_EQ(GetObjectStatus("A"), -1);
    EXPECT_EQ(GetTIDOfObject("A"), -1);
    sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                 {{"TID", "5"}, {"SCHREIBEND", "0"}, {"KENNUNG", "A"}, {"CHANGED", "IGNORED"}});
    EXPECT_EQ(GetObjectStatus("A"), 0);
    EXPECT_EQ(GetTIDOfObject("A"), 5);
    EXPECT_EQ(GetObjectStatus("a"), -1);
    EXPECT_EQ(GetObjectStatus(""), -1);
}

TEST(Store, FreeKennungKeepsThePoolUnique) {
    Session s;
    sim::SeedTable(s.ProjectDir(), "TA_KL.DBF");
    SetFreeKennung(0, "A");
    SetFreeKennung(-3, "A");
    EXPECT_TRUE(sim::ReadRows(s.ProjectDir(), "TA_KL.DBF").empty());
    SetFreeKennung(4, "A");
    SetFreeKennung(9, "A");
    auto rows = sim::ReadRows(s.ProjectDir(), "TA_KL.DBF");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["TID"], "4");
    DeleteFreeKennung("B");
    DeleteFreeKennung("A");
    EXPECT_TRUE(sim::ReadRows(s.ProjectDir(), "TA_KL.DBF").empty());
}

TEST(Store, SwitchedIdentifierCarriesOverOnlyForTheOldRow) {
    Session s;
    sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                 {{"TID", "5"}, {"SCHREIBEND", "1"}, {"KENNUNG", "A"}, {"CHANGED", "IGNORED"}, {"KENNUNGO", "A"}});
    sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                 {{"TID", "5"}, {"SCHREIBEND", "2"}, {"KENNUNG", "N"}, {"CHANGED", "NEW"}});
    UpdateKennungInTransactionList("A", "B");
    UpdateKennungInTransactionList("N", "M");
    UpdateKennungInTransactionList("X", "Y");
    auto rows = sim::ReadRows(s.ProjectDir(), "TA_LIST.DBF");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["KENNUNG"], "B");
    EXPECT_EQ(rows[0]["CHANGED"], "UPDATE");
    EXPECT_EQ(rows[0]["KENNUNGO"], "A");
    EXPECT_EQ(rows[1]["KENNUNG"], "M");
    EXPECT_EQ(rows[1]["CHANGED"], "NEW");
}

class Strip : public ::testing::Test {
protected:
    Session s;
    int32_t Stored() {
        os::RegIniFile reg(settings::kPluginKey);
        return reg.ReadInteger(settings::kPluginSection, settings::kGKStreifen, -99);
    }
};

TEST_F(Strip, EastingGivesTheStripWithoutAsking) {
    sim::TheProject().cursor = std::make_pair(3412345.6, 5800000.0);
    EXPECT_EQ(GetGKStreifen(), 3);
    sim::TheProject().cursor = std::make_pair(4512345.6, 5800000.0);
    EXPECT_EQ(GetGKStreifen(), 4);
    EXPECT_TRUE(s.events.empty());
    EXPECT_EQ(Stored(), -99);
}

TEST_F(Strip, UnusableEastingAsksWithTheStoredStripAndRemembersTheChoice) {
    for (double easting : {0.0, -3412345.6, 0.75}) {
        sim::TheProject().cursor = std::make_pair(easting, 5800000.0);
        s.events.clear();
        s.answers = {"click BitBtn1"};
        EXPECT_EQ(GetGKStreifen(), 2) << easting;
        ASSERT_FALSE(s.events.empty());
        EXPECT_NE(s.events[0].find("control RadioGroup1 radiogroup"), std::string::npos);
        EXPECT_NE(s.events[0].find("index 0\n"), std::string::npos);
        EXPECT_EQ(Stored(), 2);
    }
    s.answers = {"select RadioGroup1 1", "close"};
    EXPECT_EQ(GetGKStreifen(), 3);
    EXPECT_EQ(Stored(), 3);
    s.events.clear();
    s.answers = {"click BitBtn1"};
    EXPECT_EQ(GetGKStreifen(), 3);
    EXPECT_NE(s.events[0].find("index 1\n"), std::string::npos);
    // A position the host cannot tell asks as well.
    sim::TheProject().cursor.reset();
    s.answers = {"click BitBtn1"};
    EXPECT_EQ(GetGKStreifen(), 3);
}

TEST_F(Strip, OddStoredStripPreselectsTheDefault) {
    os::RegIniFile(settings::kPluginKey).WriteInteger(settings::kPluginSection, settings::kGKStreifen, 7);
    s.answers = {"select RadioGroup1 -1", "click BitBtn1"};
    EXPECT_EQ(GetGKStreifen(), 2);
    EXPECT_NE(s.events[0].find("index 0\n"), std::string::npos);
}

}  // namespace
