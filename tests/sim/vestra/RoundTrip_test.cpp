// A transaction's round trip through the stand-ins: store, checkout, the export's files made
// by hand, trial and live check-in, and a second checkout that carries every change.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/os/IniFile.h"
#include "support/TempDir.h"
#include "util/Tools.h"
#include "VestraFixture.h"

namespace {

using testsupport::TempDir;
using namespace vestratest;

std::map<std::string, std::string> ObjectList(const std::string& dir, const std::string& table)
{
    dbf::Table t(dir, table);
    t.open();
    std::map<std::string, std::string> rows;  // identifier -> "TID/SCHREIBEND"
    for (t.first(); !t.eof(); t.next())
        rows[t.fieldByName("KENNUNG").asString()] =
            t.fieldByName("TID").asString() + "/" + (t.findField("SCHREIBEND") ? t.findField("SCHREIBEND")->asString() : "");
    return rows;
}

TEST(ExchangeRoundTrip, TheSecondCheckoutCarriesEveryChange) {
    TempDir dir;
    const std::string store = (dir / "vestra.db").string();
    SeedStore(store);
    // The programs are started with quoted arguments here: the directory name holds a blank.
    const auto run = [](const char* program, const std::vector<std::string>& args) {
        std::string params;
        for (const auto& a : args)
            params += "\"" + TempDir::ToWin(a) + "\" ";
        return ExecAndWait(program, params);
    };
    const std::string first = (dir / "first").string();
    ASSERT_TRUE(run(VESTRA_CHECKOUT, {"--store", store, "--tid", "17", "--dir", first, "--prefix", "wie17"}));
    ASSERT_EQ(ObjectList(first, "wie17t.dbf"),
              (std::map<std::string, std::string>{{"A1", "17/1"}, {"A2", "17/1"}, {"A3", "17/0"}}));

    // The edits, exported as the plug-in and its host write them into the checkout directory:
    // A1 moved with a new photo, A2 deleted, R1 new, A3 unchanged (read-locked, so not listed),
    // and R2 created and then switched to the full-width identifier.
    ExportSet set;
    set.Directory = first;
    set.Objects = {{"A1", 'U', true, true, 11, {5, 8}}, {"A2", 'D'}, {"R1", 'N', true, true, 12}, {kLong41, 'N', true, true, 13}};
    set.Photos = {NewPhoto(8)};
    set.Write();
    EXPECT_EQ(os::IniFile(first + "/wie17.tid").ReadString("Transaktionsdaten", "Owner", ""), "meier");

    const std::string base = "-s srv -u meier -p geheim -D " + TempDir::ToWin(store) + " -d " +
                             TempDir::ToWin(first) + " -n wie17 ";
    ASSERT_TRUE(ExecAndWait(VESTRA_CHECKIN, "-l  " + base));
    EXPECT_NE(dir.ReadFile("first/wie17.log").find("Sachdatenfehler: 0\r\nGrafikfehler: 0"), std::string::npos);
    const std::string unchanged = (dir / "unchanged").string();
    ASSERT_TRUE(run(VESTRA_CHECKOUT, {"--store", store, "--tid", "17", "--dir", unchanged, "--prefix", "wie17"}));
    EXPECT_EQ(ObjectList(unchanged, "wie17t.dbf"), ObjectList(first, "wie17t.dbf"));

    ASSERT_TRUE(ExecAndWait(VESTRA_CHECKIN, base));
    EXPECT_NE(dir.ReadFile("first/wie17.log").find("Sachdatenfehler: 0\r\nGrafikfehler: 0"), std::string::npos)
        << dir.ReadFile("first/wie17.log");

    const std::string second = (dir / "second").string();
    ASSERT_TRUE(run(VESTRA_CHECKOUT, {"--store", store, "--tid", "17", "--dir", second, "--prefix", "wie17"}));
    EXPECT_EQ(ObjectList(second, "wie17t.dbf"),
              (std::map<std::string, std::string>{{"A1", "17/1"}, {"A3", "17/0"}, {"R1", "17/1"}, {kLong41, "17/1"}}));
    std::map<std::string, double> x;
    for (const auto& p : fxexchange::ReadGeodata(second + "/wie17"))
        x[p.Kennung] = p.X;
    EXPECT_EQ(x, (std::map<std::string, double>{{"A1", 11}, {"A3", 3500500}, {"R1", 12}, {kLong41, 13}}));
    std::map<std::string, std::string> names;
    for (const auto& o : fxexchange::ReadAttributeXml(second + "/wie17.xml"))
        names[o.Kennung] = o.Attribute.empty() ? "" : o.Attribute[0].second;
    EXPECT_EQ(names["A1"], "neu A1");
    EXPECT_EQ(names["R1"], "neu R1");
    EXPECT_EQ(names["A3"], "");
    EXPECT_EQ(ObjectList(second, "wie17kl.dbf"), (std::map<std::string, std::string>{{"R2", "17/"}}));
    dbf::Table pc(second, "wie17pc.dbf");
    pc.open();
    EXPECT_EQ(pc.recordCount(), 2);
    EXPECT_EQ(dir.ReadFile("second/wie17_Fotos/neu8.jpg"), "picture 8");
}

}  // namespace
