// The checkout: one transaction's complete exchange file set, read back with the table engine
// and the host's formats.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "store/TransActTools.h"
#include "support/TempDir.h"
#include "vestra/Checkout.h"
#include "VestraFixture.h"

namespace {

using testsupport::TempDir;
using namespace vestratest;

using Row = std::map<std::string, std::string>;

std::vector<Row> Rows(const std::string& dir, const std::string& table)
{
    dbf::Table t(dir, table);
    t.open();
    std::vector<Row> rows;
    for (t.first(); !t.eof(); t.next()) {
        Row row;
        for (const auto& def : t.fieldDefs())
            row[def.name] = t.fieldByName(def.name).asString();
        rows.push_back(row);
    }
    return rows;
}

std::map<std::string, dbf::FieldDef> Fields(const std::string& dir, const std::string& table)
{
    dbf::Table t(dir, table);
    t.open();
    std::map<std::string, dbf::FieldDef> defs;  // by upper-case name: dBase names know no case
    for (const auto& def : t.fieldDefs()) {
        std::string name = def.name;
        for (char& c : name)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        defs[name] = def;
    }
    return defs;
}

class ExchangeCheckout : public ::testing::Test {
protected:
    TempDir dir;
    std::string store = (dir / "vestra.db").string();
    std::string out = (dir / "out").string();
    void SetUp() override { SeedStore(store); }
    vestra::CheckoutSummary Checkout(int32_t tid = kTid)
    {
        vestra::Store s(store);
        return vestra::WriteCheckout(s, tid, out, "wie17");
    }
};

TEST_F(ExchangeCheckout, ObjectListHoldsTheTransactionsObjectsWithTheirLocks) {
    const auto summary = Checkout();
    EXPECT_EQ(summary.Objects, 3);
    EXPECT_EQ(summary.Reserved, 3);
    EXPECT_EQ(summary.Photos, 1);
    const auto fields = Fields(out, "wie17t.dbf");
    EXPECT_EQ(fields.at("KENNUNG").type, dbf::FieldType::Character);
    EXPECT_EQ(fields.at("KENNUNG").size, 41);
    for (const char* name : {"TID", "FELDIXID", "VGNR", "SCHREIBEND"})
        EXPECT_EQ(fields.at(name).type, dbf::FieldType::Integer) << name;
    vestra::Store s(store);
    const auto rows = Rows(out, "wie17t.dbf");
    ASSERT_EQ(rows.size(), 3u);
    const char* const kennungen[] = {"A1", "A2", "A3"};
    const char* const locks[] = {"1", "1", "0"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].at("KENNUNG"), kennungen[i]);
        EXPECT_EQ(rows[i].at("TID"), "17");
        EXPECT_EQ(rows[i].at("SCHREIBEND"), locks[i]);
        EXPECT_EQ(rows[i].at("FELDIXID"), std::to_string(s.FindObject(kennungen[i])->Nummer));
    }
    EXPECT_EQ(rows[0].at("VGNR"), "4");
}

TEST_F(ExchangeCheckout, KennungListTidFileAndHostDataBelongToTheTransaction) {
    Checkout();
    const auto reserved = Rows(out, "wie17kl.dbf");
    ASSERT_EQ(reserved.size(), 3u);
    EXPECT_EQ(reserved[0].at("KENNUNG"), kLong41);
    EXPECT_EQ(reserved[1].at("KENNUNG"), "R1");
    for (const auto& r : reserved)
        EXPECT_EQ(r.at("TID"), "17");
    EXPECT_EQ(Fields(out, "wie17kl.dbf").at("KENNUNG").size, 41);

    os::IniFile tid(out + "/wie17.tid");
    EXPECT_EQ(tid.ReadInteger("Transaktionsdaten", "Transaktion", -1), 17);
    EXPECT_EQ(tid.ReadString("Transaktionsdaten", "Name", ""), "Wiesen S\xFC""d");
    EXPECT_EQ(tid.ReadString("Transaktionsdaten", "Owner", ""), "meier");

    const auto points = fxexchange::ReadGeodata(out + "/wie17");
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].Kennung, "A1");
    EXPECT_DOUBLE_EQ(points[0].X, 3500100.5);
    EXPECT_DOUBLE_EQ(points[0].Y, 5700200.25);
    EXPECT_EQ(points[2].Klasse, "VSG");
    const auto data = fxexchange::ReadAttributeXml(out + "/wie17.xml");
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0].Attribute, (std::vector<std::pair<std::string, std::string>>{{"Name", "Teich"}, {"Schutz", "ja"}}));
    EXPECT_EQ(data[0].Fotos, std::vector<int32_t>{5});
    EXPECT_EQ(data[1].Klasse, "FFH");
}

TEST_F(ExchangeCheckout, PhotoTableHasItsFieldsMemoAndPictures) {
    Checkout();
    const auto fields = Fields(out, "wie17pc.dbf");
    ASSERT_EQ(fields.size(), 9u);
    EXPECT_EQ(fields.at("QUELLE").size, 255);
    EXPECT_EQ(fields.at("KURZNAME").size, 50);
    EXPECT_EQ(fields.at("DATEI").size, 50);
    EXPECT_EQ(fields.at("BESCHR").type, dbf::FieldType::Memo);
    EXPECT_EQ(fields.at("DATUM").type, dbf::FieldType::Date);
    for (const char* name : {"PHOTOID", "RW", "HW", "RICHTUNG"})
        EXPECT_EQ(fields.at(name).type, dbf::FieldType::Integer) << name;
    dbf::Table pc(out, "wie17pc.dbf");
    pc.open();
    pc.first();
    ASSERT_FALSE(pc.eof());
    EXPECT_EQ(pc.fieldByName("PhotoID").asInteger(), 5);
    EXPECT_EQ(pc.fieldByName("Datei").asString(), "teich.jpg");
    EXPECT_EQ(pc.fieldByName("RW").asInteger(), 3500100);
    EXPECT_EQ(pc.fieldByName("Richtung").asInteger(), 90);
    EXPECT_EQ(pc.fieldByName("Datum").asDate(), (dbf::Date{2023, 6, 1}));
    EXPECT_EQ(pc.fieldByName("Beschr").asString(), "Blick \xFC""ber den Teich");
    pc.next();
    EXPECT_TRUE(pc.eof());
    EXPECT_TRUE(std::filesystem::exists(out + "/wie17pc.dbt"));
    std::ifstream in(out + "/wie17_Fotos/teich.jpg", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("\xFF\xD8\xFF\0pic", 7));
}

TEST_F(ExchangeCheckout, EveryMemberLeadsBackToThePrefix) {
    Checkout();
    int members = 0;
    for (const auto& e : std::filesystem::directory_iterator(out)) {
        const std::string name = e.path().filename().string();
        if (name == "wie17.shp" || name == "wie17.shx" || name == "wie17.dbf" || name == "wie17pc.dbt" ||
            name == "wie17_Fotos")
            continue;  // the geodata's own files and the photo companions
        EXPECT_EQ(getFilenamePrefix(e.path().string()), "wie17") << name;
        ++members;
    }
    EXPECT_EQ(members, 5);  // t.dbf, kl.dbf, .tid, .xml, pc.dbf
}

TEST_F(ExchangeCheckout, ASecondCheckoutReplacesTheFirst) {
    Checkout();
    {
        vestra::Store s(store);
        s.RemoveObject("A2");
        s.Unreserve("R1");
        s.PutObject({"A1", "NSG", 0, 0, 0, 0, {}, {}});
    }
    Checkout();
    EXPECT_EQ(Rows(out, "wie17t.dbf").size(), 2u);
    EXPECT_EQ(Rows(out, "wie17kl.dbf").size(), 2u);
    EXPECT_EQ(fxexchange::ReadGeodata(out + "/wie17").size(), 2u);
    EXPECT_EQ(fxexchange::ReadAttributeXml(out + "/wie17.xml").size(), 2u);
    EXPECT_TRUE(Rows(out, "wie17pc.dbf").empty());
}

TEST_F(ExchangeCheckout, NothingIsWrittenForAnUnknownTransactionOrABadPrefix) {
    vestra::Store s(store);
    EXPECT_THROW(vestra::WriteCheckout(s, 99, out, "wie17"), vestra::StoreError);
    EXPECT_THROW(vestra::WriteCheckout(s, kTid, out, "wie 17"), vestra::StoreError);
    EXPECT_THROW(vestra::WriteCheckout(s, kTid, out, ""), vestra::StoreError);
    EXPECT_FALSE(std::filesystem::exists(out));
    // Another transaction's set holds only its own object.
    vestra::WriteCheckout(s, 18, out, "and18");
    const auto rows = Rows(out, "and18t.dbf");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("KENNUNG"), "B1");
    EXPECT_EQ(Rows(out, "and18kl.dbf").size(), 1u);
}

}  // namespace
