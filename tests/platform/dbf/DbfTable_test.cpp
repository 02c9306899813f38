// Behaviour of tables: schema, lookups, ranges, duplicates, deletion, texts, limits, handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <random>
#include <set>

#include "DbfTestSupport.h"
#include "platform/dbf/DbfTable.h"

using dbf::EngineError;
using dbf::FieldType;
using dbf::Table;
using dbftest::appendRow;
using dbftest::TempDir;

TEST(DbfTable, SchemaAndIndexesSurviveReopening) {
    TempDir dir;
    {
        Table t(dir.windowsDir(), "TA_LIST.DBF");
        dbftest::createList(t);
    }
    Table t(dir.windowsDir(), "TA_LIST.DBF");
    t.open();
    auto defs = t.fieldDefs();
    ASSERT_EQ(defs.size(), 4u);
    EXPECT_EQ(defs[0].name, "TID");
    EXPECT_EQ(defs[0].type, FieldType::Integer);
    EXPECT_EQ(defs[2].name, "KENNUNG");
    EXPECT_EQ(defs[2].type, FieldType::Character);
    EXPECT_EQ(defs[2].size, 50);
    EXPECT_EQ(defs[3].size, 15);
    auto names = t.indexNames();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "IDXKENNUNG");
    EXPECT_EQ(names[1], "IDXTID");
    EXPECT_NO_THROW(t.setIndexName("idxKennung"));  // names compare without case
    EXPECT_THROW(t.setIndexName("idxNone"), EngineError);
    EXPECT_TRUE(t.findField("CHANGED"));
    EXPECT_FALSE(t.findField("NOPE"));
    EXPECT_THROW(t.fieldByName("NOPE"), EngineError);
}

TEST(DbfTable, FiftyCharacterIdentifierAndCp1252Texts) {
    TempDir dir;
    Table t(dir.windowsDir(), "TA_LIST.DBF");
    dbftest::createList(t);
    t.open();
    std::string fifty(50, 'K');
    fifty[49] = 'Z';
    std::string umlauts = "Müller € „Straße“ – ß";  // cp1252 in the binary
    appendRow(t, 1, fifty);
    appendRow(t, 2, umlauts);
    t.close();
    t.setIndexName("idxKennung");
    t.open();
    ASSERT_TRUE(t.findKey(fifty));
    EXPECT_EQ(t.fieldByName("KENNUNG").asString(), fifty);
    ASSERT_TRUE(t.findKey(umlauts));
    EXPECT_EQ(t.fieldByName("KENNUNG").asString(), umlauts);
    EXPECT_EQ(t.fieldByName("TID").asInteger(), 2);
    EXPECT_FALSE(t.findKey(std::string(fifty, 0, 49)));  // exact keys only
    // Character order is byte order: 'K' (0x4B) before 'M' (0x4D).
    EXPECT_EQ(dbftest::walk(t), (std::vector<std::string>{fifty, umlauts}));
}

TEST(DbfTable, IntegerLimitsReadBackAndSortNumerically) {
    TempDir dir;
    Table t(dir.windowsDir(), "T.DBF");
    dbftest::createList(t);
    t.setIndexFieldNames("TID");
    t.open();
    const std::vector<int32_t> values = {INT32_MAX, 0, INT32_MIN, -1, 7, 1000000000, -999999999};
    for (int32_t v : values) appendRow(t, v, std::string("K").append(std::to_string(v)));
    std::vector<int32_t> walked;
    for (t.first(); !t.eof(); t.next()) walked.push_back(t.fieldByName("TID").asInteger());
    auto sorted = values;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(walked, sorted);
    for (int32_t v : values) {
        ASSERT_TRUE(t.findKey(v)) << v;
        EXPECT_EQ(t.fieldByName("TID").asInteger(), v);
        EXPECT_EQ(t.fieldByName("TID").asString(), std::to_string(v));
    }
    EXPECT_FALSE(t.findKey(int32_t(5)));
    // Text that is no integer is refused by "read as integer".
    t.append();
    t.fieldByName("TID").setInteger(1);
    t.fieldByName("CHANGED").setString("UPDATE");
    t.post();
    EXPECT_THROW(t.fieldByName("CHANGED").asInteger(), EngineError);
    EXPECT_THROW(t.fieldByName("TID").setString("abc"), EngineError);  // not in edit mode either
}

TEST(DbfTable, DuplicatesStayInRecordOrderAcrossManyPages) {
    TempDir dir;
    Table t(dir.windowsDir(), "T.DBF");
    dbftest::createList(t);
    t.setIndexName("idxTID");
    t.open();
    // 1500 rows over 3 transactions: each run of duplicates spans dozens of index pages.
    for (int i = 0; i < 1500; ++i) appendRow(t, (i * 7) % 3, std::string("K").append(std::to_string(i)));
    t.setRange(int32_t(1), int32_t(1));
    EXPECT_EQ(t.recordCount(), 500);
    int last = 0, n = 0;
    for (t.first(); !t.eof(); t.next(), ++n) {
        EXPECT_EQ(t.fieldByName("TID").asInteger(), 1);
        EXPECT_GT(t.recordNumber(), last);
        last = t.recordNumber();
    }
    EXPECT_EQ(n, 500);
    t.cancelRange();
    EXPECT_EQ(t.recordCount(), 1500);
    ASSERT_TRUE(t.findKey(int32_t(2)));
    int firstTwo = t.recordNumber();
    EXPECT_EQ(firstTwo, 3);  // i = 2: (2*7)%3 == 2, the lowest such row
    t.deleteRecord();
    ASSERT_TRUE(t.findKey(int32_t(2)));
    EXPECT_GT(t.recordNumber(), firstTwo);
    t.setRange(int32_t(2), int32_t(2));
    EXPECT_EQ(t.recordCount(), 499);
    t.setRange(int32_t(3), int32_t(9));
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recordCount(), 0);
}

TEST(DbfTable, DeletedRowsAreInvisibleToWalksLookupsAndCounts) {
    TempDir dir;
    Table t(dir.windowsDir(), "T.DBF");
    dbftest::createList(t);
    t.open();
    for (int i = 1; i <= 5; ++i) appendRow(t, i, std::string("K").append(std::to_string(i)));
    t.first();
    t.next();  // K2
    t.deleteRecord();
    EXPECT_EQ(t.fieldByName("KENNUNG").asString(), "K3");  // moved to the next row
    EXPECT_EQ(t.recordCount(), 4);
    EXPECT_EQ(dbftest::walk(t), (std::vector<std::string>{"K1", "K3", "K4", "K5"}));
    t.setIndexName("idxKennung");
    EXPECT_FALSE(t.findKey(std::string("K2")));
    EXPECT_EQ(dbftest::walk(t), (std::vector<std::string>{"K1", "K3", "K4", "K5"}));
    t.close();
    t.open();
    EXPECT_EQ(t.recordCount(), 4);
    t.emptyTable();
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_TRUE(t.eof());
    appendRow(t, 9, "K9");
    EXPECT_TRUE(t.findKey(std::string("K9")));
    EXPECT_EQ(t.indexNames().size(), 2u);
}

TEST(DbfTable, EditOfIndexedFieldMovesTheRowInTheIndex) {
    TempDir dir;
    Table t(dir.windowsDir(), "T.DBF");
    dbftest::createList(t);
    t.setIndexName("idxKennung");
    t.open();
    appendRow(t, 1, "B");
    appendRow(t, 2, "D");
    ASSERT_TRUE(t.findKey(std::string("D")));
    t.edit();
    t.fieldByName("KENNUNG").setString("A");
    t.post();
    EXPECT_EQ(t.fieldByName("TID").asInteger(), 2);
    EXPECT_FALSE(t.findKey(std::string("D")));
    EXPECT_EQ(dbftest::walk(t), (std::vector<std::string>{"A", "B"}));
    ASSERT_TRUE(t.findKey(std::string("B")));
    t.edit();
    t.fieldByName("CHANGED").setString("UPDATE");  // not indexed
    t.cancel();
    EXPECT_EQ(t.fieldByName("CHANGED").asString(), "NEW");
}

TEST(DbfTable, TwoHandlesOnOneFileSeeEachOtherAtOnce) {
    TempDir dir;
    {
        Table t(dir.windowsDir(), "TA_LIST.DBF");
        dbftest::createList(t);
    }
    Table a(dir.windowsDir(), "TA_LIST.DBF");
    a.setIndexName("idxKennung");
    a.open();
    appendRow(a, 1, "A1");
    ASSERT_TRUE(a.findKey(std::string("A1")));
    {
        // Re-entrant code opens the same table again while a keeps it open.
        Table b(dir.windowsDir(), "ta_list.dbf");
        b.setIndexName("idxKennung");
        b.open();
        ASSERT_TRUE(b.findKey(std::string("A1")));
        b.edit();
        b.fieldByName("CHANGED").setString("UPDATE");
        b.post();
        appendRow(b, 2, "B2");
    }
    EXPECT_EQ(a.fieldByName("CHANGED").asString(), "UPDATE");
    EXPECT_EQ(a.recordCount(), 2);
    EXPECT_TRUE(a.findKey(std::string("B2")));
    EXPECT_EQ(dbftest::walk(a), (std::vector<std::string>{"A1", "B2"}));
}

TEST(DbfTable, WindowsPathsAndNamesResolveWithoutCase) {
    TempDir dir;
    {
        Table t(dir.windowsDir(), "xyzt.dbf");
        dbftest::createList(t);
        t.open();
        appendRow(t, 5, "X");
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("xyzt.mdx")));
    Table t(dir.windowsDir(), "XYZT.DBF");
    EXPECT_TRUE(t.exists());
    t.setIndexName("IDXKENNUNG");
    t.open();
    EXPECT_TRUE(t.findKey(std::string("X")));
    Table missing(dir.windowsDir(), "NONE.DBF");
    EXPECT_FALSE(missing.exists());
    try {
        missing.open();
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("NONE.DBF"), std::string::npos);
    }
}

TEST(DbfTable, MemoDateLogicalAndNumericFieldsRoundTrip) {
    TempDir dir;
    Table t(dir.windowsDir(), "pc.dbf");
    t.addFieldDef("PHOTOID", FieldType::Integer);
    t.addFieldDef("DATUM", FieldType::Date);
    t.addFieldDef("OK", FieldType::Logical);
    t.addFieldDef("WERT", FieldType::Numeric, 10, 2);
    t.addFieldDef("BESCHR", FieldType::Memo);
    t.createTable();
    t.open();
    std::string longText(1500, 'x');
    longText += " Grüße €";
    t.append();
    t.fieldByName("PHOTOID").setInteger(-3);
    t.fieldByName("DATUM").setDate({1899, 12, 30});
    t.fieldByName("OK").setBoolean(true);
    t.fieldByName("WERT").setFloat(12.345);
    t.fieldByName("BESCHR").setString(longText);
    t.post();
    t.append();
    t.fieldByName("PHOTOID").setInteger(4);
    t.post();
    t.close();
    t.open();
    EXPECT_EQ(t.fieldByName("BESCHR").asString(), longText);
    EXPECT_EQ(t.fieldByName("DATUM").asDate(), (dbf::Date{1899, 12, 30}));
    EXPECT_TRUE(t.fieldByName("OK").asBoolean());
    EXPECT_EQ(t.fieldByName("WERT").asString(), "12.35");
    t.next();
    EXPECT_TRUE(t.fieldByName("BESCHR").isNull());
    EXPECT_TRUE(t.fieldByName("DATUM").isNull());
    EXPECT_TRUE(t.fieldByName("WERT").isNull());
    EXPECT_EQ(t.fieldByName("WERT").asInteger(), 0);
    t.edit();
    t.fieldByName("BESCHR").setString("zweiter Text");
    t.post();
    t.first();
    EXPECT_EQ(t.fieldByName("BESCHR").asString(), longText);
    t.next();
    EXPECT_EQ(t.fieldByName("BESCHR").asString(), "zweiter Text");
    t.append();
    EXPECT_THROW(t.fieldByName("WERT").setFloat(123456789.0), EngineError);  // does not fit
    t.cancel();
}

// Random appends, edits and deletes against a model: the index walk must always equal the
// model's rows sorted by key, duplicates in record order, and every key must be found.
TEST(DbfTable, RandomChangesKeepTheIndexInStepWithTheRows) {
    TempDir dir;
    Table t(dir.windowsDir(), "T.DBF");
    dbftest::createList(t);
    t.setIndexName("idxKennung");
    t.open();
    std::mt19937 rng(12345);
    std::map<int, std::string> model;  // recno -> key
    auto key = [&] { return std::string("K").append(std::to_string(rng() % 150)); };
    for (int step = 0; step < 2500; ++step) {
        if (step % 500 == 499) {
            ASSERT_EQ(t.checkIndexes(), std::vector<std::string>()) << "step " << step;
        }
        int op = int(rng() % 10);
        if (op < 6 || model.empty()) {
            std::string k = key();
            appendRow(t, step, k);
            model[t.recordNumber()] = k;
        } else {
            auto it = model.begin();
            std::advance(it, long(rng() % model.size()));
            ASSERT_TRUE(t.findKey(it->second));
            // Walk the duplicates to the chosen row.
            while (t.recordNumber() != it->first) t.next();
            if (op < 8) {
                std::string k = key();
                t.edit();
                t.fieldByName("KENNUNG").setString(k);
                t.post();
                it->second = k;
            } else {
                t.deleteRecord();
                model.erase(it);
            }
        }
    }
    std::vector<std::pair<std::string, int>> expected;
    for (const auto& [r, k] : model) expected.emplace_back(k, r);
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<std::string, int>> walked;
    for (t.first(); !t.eof(); t.next()) walked.emplace_back(t.fieldByName("KENNUNG").asString(), t.recordNumber());
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(t.recordCount(), int(model.size()));
    EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
    // The same after rebuilding from the rows.
    t.rebuildIndexes();
    walked.clear();
    for (t.first(); !t.eof(); t.next()) walked.emplace_back(t.fieldByName("KENNUNG").asString(), t.recordNumber());
    EXPECT_EQ(walked, expected);
}

namespace {
// The text of the EngineError that f throws; "" when it throws none.
template <class F>
std::string engineError(F f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e.what();
    }
    return "";
}
}  // namespace

// The texts reach the user in a message box: German, naming the field or index and the file.
TEST(DbfTable, ErrorsSayInGermanWhatFailedAndNameTheFile) {
    TempDir dir;
    Table t(dir.windowsDir(), "T.DBF");
    dbftest::createList(t);
    t.open();
    appendRow(t, 1, "K1", "UPDATE");
    const std::string file = t.fileName();
    ASSERT_NE(file.find("T.DBF"), std::string::npos);
    EXPECT_EQ(engineError([&] { t.setIndexName("idxNone"); }),
              "Der Index idxNone wurde nicht gefunden: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("NOPE"); }), "Das Feld NOPE wurde nicht gefunden: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("CHANGED").asInteger(); }),
              "Feld CHANGED: Der Wert 'UPDATE' ist keine ganze Zahl: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("CHANGED").asFloat(); }),
              "Feld CHANGED: Der Wert 'UPDATE' ist keine Zahl: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("TID").setString("abc"); }),
              "Die Tabelle ist nicht im Bearbeitungs- oder Anfügemodus: " + file);
    t.edit();
    EXPECT_EQ(engineError([&] { t.fieldByName("TID").setString("abc"); }),
              "Feld TID: Der Wert 'abc' ist keine ganze Zahl: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("TID").setDate({2024, 2, 30}); }),
              "Feld TID: Ungültiges Datum: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("TID").setDate({2024, 2, 29}); }),
              "Feld TID: Das Feld kann kein Datum aufnehmen: " + file);
    EXPECT_EQ(engineError([&] { t.fieldByName("TID").setBoolean(true); }),
              "Feld TID: Das Feld kann keinen logischen Wert aufnehmen: " + file);
    t.cancel();
    t.close();
    Table other(dir.windowsDir(), "T.DBF");
    other.setIndexFieldNames("CHANGED");
    EXPECT_EQ(engineError([&] { other.open(); }), "Für das Feld CHANGED gibt es keinen Index: " + file);
    EXPECT_EQ(engineError([&] { t.addIndex("idxTID", "TID"); }), "Der Index IDXTID existiert bereits: " + file);
    Table missing(dir.windowsDir(), "NONE.DBF");
    ASSERT_NE(missing.fileName().find("NONE.DBF"), std::string::npos);
    EXPECT_EQ(engineError([&] { missing.open(); }), "Die Tabelle wurde nicht gefunden: " + missing.fileName());
}
