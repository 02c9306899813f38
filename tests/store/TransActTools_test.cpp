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

namespace {

TEST(ExchangePrefix, MembersOfACheckedOutSetLeadToTheirPrefix) {
    EXPECT_EQ(getFilenamePrefix("Abc123t.dbf"), "abc123");
    EXPECT_EQ(getFilenamePrefix("abc123kl.dbf"), "abc123");
    EXPECT_EQ(getFilenamePrefix("abc123pc.dbf"), "abc123");
    EXPECT_EQ(getFilenamePrefix("abc123.tid"), "abc123");
    EXPECT_EQ(getFilenamePrefix("ABC123.XML"), "abc123");
    EXPECT_EQ(getFilenamePrefix("abc123.log"), "abc123");
    EXPECT_EQ(getFilenamePrefix("ABC123T.DBF"), "abc123");
    for (const char* two : {"df", "dp", "dl", "tp", "al", "xf"})
        EXPECT_EQ(getFilenamePrefix(std::string("abc123") + two + ".dbf"), "abc123") << two;
    // Accented capitals of the 8-bit text are lowered too.
    EXPECT_EQ(getFilenamePrefix("\xC4RGER\x8At.dbf"), "\xE4rger\x9A");
}

TEST(ExchangePrefix, MembersTheExportWritesAndOtherNamesGiveNothing) {
    EXPECT_EQ(getFilenamePrefix("abc123_aktion.dbf"), "");
    EXPECT_EQ(getFilenamePrefix("abc123_rp.txt"), "");
    EXPECT_EQ(getFilenamePrefix("abc123.shp"), "");
    EXPECT_EQ(getFilenamePrefix("abc123.dbf"), "");
    EXPECT_EQ(getFilenamePrefix("abc123t"), "");
    EXPECT_EQ(getFilenamePrefix("kl_t_xml"), "");
    EXPECT_EQ(getFilenamePrefix(""), "");
}

TEST(ExchangePrefix, OnlyTheFileNameCountsNotItsDirectory) {
    EXPECT_EQ(getFilenamePrefix("C:\\Daten\\Trans.xml\\abc123kl.dbf"), "abc123");
    EXPECT_EQ(getFilenamePrefix("C:\\Export.t\\abc123.shp"), "");
    EXPECT_EQ(getFilenamePrefix("/home/user/x.tid/abc123t.dbf"), "abc123");
    EXPECT_EQ(getFilenamePrefix("D:\\VESTRA\\Q7kl.dbf"), "q7");
}

TEST(ExchangePrefix, FirstMatchingRuleDecidesAndCutsAtTheFirstDot) {
    // Looked for anywhere, in the order .xml/.log/.tid, two-letter members, then "t.".
    EXPECT_EQ(getFilenamePrefix("abc.xmlkl.dbf"), "abc");
    EXPECT_EQ(getFilenamePrefix("abct.kl.dbf"), "ab");
    EXPECT_EQ(getFilenamePrefix("abckl.t.dbf"), "abc");
    EXPECT_EQ(getFilenamePrefix("abc123pc.dbf.bak"), "abc123");
    EXPECT_EQ(getFilenamePrefix("abc.def.tid"), "abc");
    EXPECT_EQ(getFilenamePrefix("xyzt.dbf.log"), "xyzt");
    // A stem shorter than what is to be cut off leaves nothing.
    EXPECT_EQ(getFilenamePrefix("k.al.dbf"), "");
    EXPECT_EQ(getFilenamePrefix("kl.dbf"), "");
    EXPECT_EQ(getFilenamePrefix("t.dbf"), "");
    EXPECT_EQ(getFilenamePrefix(".tid"), "");
}

}  // namespace
