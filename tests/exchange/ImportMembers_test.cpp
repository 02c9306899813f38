// The ranking of write states and the reading of a checkout's members: letter case, empty
// numbers, damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "exchange/ImportFuncs.h"
#include "exchange/ImportMembers.h"
#include "host/SimTables.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

TEST(ExchangeImport, IsHigherStateRanksOneZeroTwoThree) {
    // Rows: stored state; columns: imported state -1..5; 1 where the import ranks higher.
    const int states[] = {-1, 0, 1, 2, 3, 4, 5};
    const std::map<int, std::string> expected = {
        {1, "0000000"}, {0, "0010000"}, {2, "0110000"}, {3, "1111011"}, {-1, "1111011"}, {4, "1111011"}, {7, "1111011"},
    };
    for (const auto& [stored, row] : expected) {
        std::string got;
        for (int imported : states)
            got += IsHigherState(imported, stored) ? '1' : '0';
        EXPECT_EQ(got, row) << "stored state " << stored;
    }
}

class ExchangeMembers : public ::testing::Test {
protected:
    testsupport::TempDir tmp;
    std::string Dir() const { return tmp.Win() + "\\"; }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(tmp / name, std::ios::binary) << bytes;
    }
};

TEST_F(ExchangeMembers, FoundWhateverTheLetterCase) {
    Write("Moor1.TID", "[Transaktionsdaten]\nTransaktion=12\nOwner=Kreis\n");
    EXPECT_EQ(MemberName(Dir(), "moor1.tid"), "Moor1.TID");
    EXPECT_EQ(MemberName(Dir(), "moor1t.dbf"), "moor1t.dbf");  // none: the name as asked
    const ImportTransaktion t = ReadTransaktionsDatei("moor1.tid", Dir());
    EXPECT_EQ(t.TID, 12);
    EXPECT_EQ(t.Name, "unbekannt");
    EXPECT_EQ(t.Owner, "Kreis");
    // The directory without its delimiter reads the same.
    EXPECT_EQ(ReadTransaktionsDatei("moor1.tid", tmp.path().string()).TID, 12);
}

TEST_F(ExchangeMembers, ListsReadInFileOrderWithEmptyNumbersAsZero) {
    sim::SeedRow(tmp.path().string() + "/", "Xt.dbf", {{"KENNUNG", "B"}, {"TID", "7"}, {"SCHREIBEND", "2"}});
    sim::SeedRow(tmp.path().string() + "/", "Xt.dbf", {{"KENNUNG", "A"}, {"TID", "7"}, {"FELDIXID", "-4"}});
    const auto rows = ReadObjektListe("xt.dbf", Dir());
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].KENNUNG, "B");
    EXPECT_EQ((*rows)[0].SCHREIBEND, 2);
    EXPECT_EQ((*rows)[0].VGNR, 0);
    EXPECT_EQ((*rows)[1].FELDIXID, -4);
    EXPECT_FALSE(ReadKennungListe("xkl.dbf", Dir()));
}

TEST_F(ExchangeMembers, DamagedMembersNameTheirFile) {
    Write("Ykl.dbf", std::string("\x03\x7c\x01\x01", 4));  // a header cut short
    try {
        ReadKennungListe("ykl.dbf", Dir());
        FAIL() << "a damaged list was read";
    } catch (const ImportError& e) {
        EXPECT_NE(std::string(e.what()).find("Ykl.dbf"), std::string::npos) << e.what();
    }
    // A list without a field the import reads is damaged too.
    sim::SeedRow(tmp.path().string() + "/", "Zkl.dbf", {{"KENNUNG", "A"}, {"TID", "1"}});
    EXPECT_THROW(ReadObjektListe("zkl.dbf", Dir()), ImportError);
    Write("Wpc.dbf", "kein dBase");
    EXPECT_THROW(CheckFotoTabelle("wpc.dbf", Dir()), ImportError);
    EXPECT_NO_THROW(CheckFotoTabelle("vpc.dbf", Dir()));  // missing: nothing to check
}

}  // namespace
