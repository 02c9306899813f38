// The local tables as created: fields in order with types and widths, indexes by name, and an
// existing table left as it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "platform/dbf/DbfTable.h"
#include "store/CreateLocalTables.h"
#include "support/TempDir.h"

using dbf::FieldType;

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

struct Expected {
    const char* name;
    FieldType type;
    int size;  // 0: not checked (integer fields)
};

void expectSchema(dbf::Table& t, const std::vector<Expected>& fields, const std::vector<std::string>& indexes) {
    auto defs = t.fieldDefs();
    ASSERT_EQ(defs.size(), fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(defs[i].name, fields[i].name) << i;
        EXPECT_EQ(defs[i].type, fields[i].type) << fields[i].name;
        if (fields[i].size) {
            EXPECT_EQ(defs[i].size, fields[i].size) << fields[i].name;
        }
    }
    auto names = t.indexNames();
    ASSERT_EQ(names.size(), indexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) {
        EXPECT_EQ(upper(names[i]), upper(indexes[i]));  // index names compare without case
        EXPECT_NO_THROW(t.setIndexName(indexes[i]));
    }
}

}  // namespace

TEST(CreateLocalTables, TransactionListHasSevenFieldsAndFourIndexes) {
    testsupport::TempDir dir;
    CreateTransactionListIn(dir.Win() + "\\", "TA_LIST.DBF");
    dbf::Table t(dir.Win() + "\\", "TA_LIST.DBF");
    t.open();
    expectSchema(t,
                 {{"TID", FieldType::Integer, 0}, {"FELDIXID", FieldType::Integer, 0},
                  {"VGNR", FieldType::Integer, 0}, {"SCHREIBEND", FieldType::Integer, 0},
                  {"KENNUNG", FieldType::Character, 50}, {"CHANGED", FieldType::Character, 15},
                  {"KENNUNGO", FieldType::Character, 50}},
                 {"idxKennung", "idxTID", "idxSchreib", "idxOKenn"});
    // A 50-character identifier fits both identifier fields, and the integers take 32 bits.
    const std::string fifty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
    ASSERT_EQ(fifty.size(), 50u);
    t.append();
    t.fieldByName("TID").setInteger(-2147483647 - 1);
    t.fieldByName("FELDIXID").setInteger(2147483647);
    t.fieldByName("KENNUNG").setString(fifty);
    t.fieldByName("KENNUNGO").setString(fifty);
    t.fieldByName("CHANGED").setString("IGNORED");
    t.post();
    t.setIndexName("idxOKenn");
    ASSERT_TRUE(t.findKey(fifty));
    EXPECT_EQ(t.fieldByName("KENNUNG").asString(), fifty);
    EXPECT_EQ(t.fieldByName("TID").asInteger(), -2147483647 - 1);
    EXPECT_EQ(t.fieldByName("FELDIXID").asInteger(), 2147483647);
}

TEST(CreateLocalTables, PoolAndTransactionTable) {
    testsupport::TempDir dir;
    CreateKennungListIn(dir.Win() + "\\");
    CreateTransactionIDTableIn(dir.Win() + "\\");
    dbf::Table kl(dir.Win() + "\\", "TA_KL.DBF");
    kl.open();
    expectSchema(kl, {{"TID", FieldType::Integer, 0}, {"KENNUNG", FieldType::Character, 50}},
                 {"idxKennung", "idxTID"});
    dbf::Table id(dir.Win() + "\\", "TA_ID.DBF");
    id.open();
    expectSchema(id,
                 {{"TID", FieldType::Integer, 0}, {"NAME", FieldType::Character, 75},
                  {"OWNER", FieldType::Character, 75}},
                 {"idxTID"});
}

TEST(CreateLocalTables, ExistingTableKeepsItsSchemaAndRows) {
    testsupport::TempDir dir;
    {
        // Another schema under the same name, in another case, with a row.
        dbf::Table t(dir.Win() + "\\", "ta_kl.dbf");
        t.addFieldDef("OTHER", FieldType::Character, 5);
        t.createTable();
        t.open();
        t.append();
        t.fieldByName("OTHER").setString("keep");
        t.post();
    }
    const std::string before = dir.ReadFile("ta_kl.dbf");
    CreateKennungListIn(dir.Win() + "\\");
    EXPECT_EQ(dir.ReadFile("ta_kl.dbf"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "TA_KL.DBF") && !std::filesystem::equivalent(dir / "TA_KL.DBF", dir / "ta_kl.dbf"));
    dbf::Table t(dir.Win() + "\\", "TA_KL.DBF");
    t.open();
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.fieldByName("OTHER").asString(), "keep");
    EXPECT_TRUE(t.indexNames().empty());
}
