// Damaged files give EngineError without writing; an append cut off at any byte loses no row.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "DbfTestSupport.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"

using dbf::EngineError;
using dbf::FieldType;
using dbf::Table;
using dbftest::TempDir;
using dbftest::errorOf;
namespace fs = std::filesystem;

namespace {

// A small table with an index and a memo: header 32 + 3*32 + 1 = 129 bytes, records of 1+11+20+10.
void makeTable(const TempDir& dir) {
    Table t(dir.windowsDir(), "BAD.DBF");
    t.addFieldDef("ID", FieldType::Integer);
    t.addFieldDef("NAME", FieldType::Character, 20);
    t.addFieldDef("NOTE", FieldType::Memo);
    t.createTable();
    t.addIndex("idxName", "NAME");
    t.open();
    for (int i = 1; i <= 30; ++i) {
        t.append();
        t.fieldByName("ID").setInteger(i);
        t.fieldByName("NAME").setString(std::string("N").append(std::to_string(i)));
        t.fieldByName("NOTE").setString(std::string("note ").append(std::to_string(i)));
        t.post();
    }
}

// Opens, walks, reads every field, and looks a key up.
void useTable(const TempDir& dir) {
    Table t(dir.windowsDir(), "BAD.DBF");
    t.setIndexName("idxName");
    t.open();
    for (t.first(); !t.eof(); t.next()) {
        t.fieldByName("NOTE").asString();
        t.fieldByName("ID").asInteger();
    }
    t.findKey(std::string("N7"));
}

struct Damage {
    const char* what;
    const char* file;  // which file is damaged
    std::function<void(std::vector<char>&)> apply;
    const char* named = nullptr;  // the file the error names, when not the damaged one
};

void put16(std::vector<char>& d, size_t at, uint16_t v) {
    d[at] = char(v & 0xFF);
    d[at + 1] = char(v >> 8);
}
void put32(std::vector<char>& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + size_t(i)] = char(v >> (8 * i));
}

}  // namespace

TEST(DbfRobustness, DamagedFilesGiveEngineErrorNamingTheFileAndStayUnchanged) {
    const std::vector<Damage> cases = {
        {"truncated inside the header", "BAD.DBF", [](auto& d) { d.resize(60); }},
        {"truncated inside the records", "BAD.DBF", [](auto& d) { d.resize(400); }},
        {"empty file", "BAD.DBF", [](auto& d) { d.clear(); }},
        {"record count too large", "BAD.DBF", [](auto& d) { put32(d, 4, 1000000); }},
        {"header length past the file", "BAD.DBF", [](auto& d) { put16(d, 8, 60000); }},
        {"header length before the descriptors end", "BAD.DBF", [](auto& d) { put16(d, 8, 80); }},
        {"record length zero", "BAD.DBF", [](auto& d) { put16(d, 10, 0); }},
        {"record length shorter than the fields", "BAD.DBF", [](auto& d) { put16(d, 10, 12); }},
        {"no descriptor terminator", "BAD.DBF", [](auto& d) { d[128] = 'X'; }},
        {"name without terminator", "BAD.DBF", [](auto& d) { std::memset(d.data() + 32, 'A', 11); }},
        {"field length zero", "BAD.DBF", [](auto& d) { d[32 + 16] = 0; }},
        {"numeric field oversized", "BAD.DBF", [](auto& d) { d[32 + 16] = char(200); }},
        {"memo field of bad length", "BAD.DBF", [](auto& d) { d[96 + 16] = 7; }},
        {"unknown version", "BAD.DBF", [](auto& d) { d[0] = 0x77; }},
        {"memo block past the memo file", "BAD.DBF",
         [](auto& d) { std::memcpy(d.data() + 129 + 32, "    999999", 10); }, "BAD.DBT"},
        {"memo length past the memo file", "BAD.DBT", [](auto& d) { put32(d, 512 + 4, 0x7FFFFFF0); }},
        {"memo file truncated", "BAD.DBT", [](auto& d) { d.resize(100); }},
        {"index block size", "BAD.MDX", [](auto& d) { put16(d, 22, 100); }},
        {"index tag count", "BAD.MDX", [](auto& d) { put16(d, 28, 60); }},
        {"index tag header outside", "BAD.MDX", [](auto& d) { put32(d, 544, 99999); }},
        {"index root outside", "BAD.MDX", [](auto& d) { put32(d, 2048, 99999); }},
        {"index key count too large", "BAD.MDX",
         [](auto& d) {
             uint32_t root = uint8_t(d[2048]) | (uint8_t(d[2049]) << 8);
             put32(d, size_t(root) * 512, 5000);
         }},
        {"index truncated", "BAD.MDX", [](auto& d) { d.resize(2100); }},
        {"index name without terminator", "BAD.MDX", [](auto& d) { std::memset(d.data() + 548, 'A', 11); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        makeTable(dir);
        auto data = dbftest::readAll(dir.file(c.file));
        c.apply(data);
        dbftest::writeAll(dir.file(c.file), data);
        try {
            useTable(dir);
            ADD_FAILURE() << "no error";
        } catch (const EngineError& e) {
            const std::string message = e.what();
            const std::string named = c.named ? c.named : c.file;
            EXPECT_NE(message.find(named), std::string::npos) << message;
            // The German sentence says which kind of file is damaged; the file comes last.
            const std::string ext = named.substr(named.size() - 3);
            const std::string says = ext == "DBF"   ? "Die Tabelle ist beschädigt ("
                                     : ext == "DBT" ? "Die Memodatei ist beschädigt ("
                                                    : "Die Indexdatei ist beschädigt (";
            EXPECT_EQ(message.rfind(says, 0), 0u) << message;
            EXPECT_EQ(message.size() - message.rfind(named), named.size()) << message;
        }
        EXPECT_EQ(dbftest::readAll(dir.file(c.file)), data) << "reading changed the file";
    }
}

// A memo file's header names the next free block; the text goes behind the file's end
// whatever it says: neither over earlier texts nor gigabytes behind them.
TEST(DbfRobustness, MemoTextsGoBehindTheFileWhereverTheHeaderPoints) {
    for (const uint32_t next : {0u, 1u, 3u, 0x41000001u}) {
        SCOPED_TRACE(next);
        TempDir dir;
        makeTable(dir);
        auto memo = dbftest::readAll(dir.file("BAD.DBT"));
        const size_t before = memo.size();
        put32(memo, 0, next);
        dbftest::writeAll(dir.file("BAD.DBT"), memo);
        {
            Table t(dir.windowsDir(), "BAD.DBF");
            t.open();
            t.first();
            t.edit();
            t.fieldByName("NOTE").setString("neu");
            t.post();
        }
        const auto after = dbftest::readAll(dir.file("BAD.DBT"));
        EXPECT_EQ(after.size(), (before + 511) / 512 * 512 + 512);
        Table t(dir.windowsDir(), "BAD.DBF");
        t.open();
        int row = 0;
        for (t.first(); !t.eof(); t.next())
            EXPECT_EQ(t.fieldByName("NOTE").asString(), ++row == 1 ? "neu" : "note " + std::to_string(row));
        EXPECT_EQ(row, 30);
    }
}

// Every prefix of an append's writes leaves a table that opens and shows all earlier rows;
// the index is either still right or made right again by rebuilding it.
TEST(DbfRobustness, AppendCutOffAtEveryByteKeepsEarlierRows) {
    auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
    const std::string dirName = "/mem/proj\\";
    auto open = [&](Table& t) {
        t.setFileSystem(fs);
        t.setDatabaseName(dirName);
        t.setTableName("TA_LIST.DBF");
    };
    const int rows = 40;
    {
        Table t;
        open(t);
        t.addFieldDef("TID", FieldType::Integer);
        t.addFieldDef("KENNUNG", FieldType::Character, 50);
        t.addFieldDef("NOTE", FieldType::Memo);
        t.createTable();
        t.addIndex("idxKennung", "KENNUNG");
        t.addIndex("idxTID", "TID");
        t.open();
        for (int i = 0; i < rows; ++i) {
            t.append();
            t.fieldByName("TID").setInteger(i % 4);
            t.fieldByName("KENNUNG").setString(std::string("K").append(std::to_string(1000 - i)));
            t.fieldByName("NOTE").setString(std::string("text ").append(std::to_string(i)));
            t.post();
        }
    }
    auto snapshot = fs->snapshot();
    auto appendOne = [&] {
        Table t;
        open(t);
        t.open();
        t.append();
        t.fieldByName("TID").setInteger(2);
        t.fieldByName("KENNUNG").setString("K0500");
        t.fieldByName("NOTE").setString("the new row");
        t.post();
    };
    int64_t start = fs->bytesWritten();
    appendOne();
    int64_t total = fs->bytesWritten() - start;
    ASSERT_GT(total, 100);
    for (int64_t cut = 0; cut < total; ++cut) {
        SCOPED_TRACE(std::string("cut after ").append(std::to_string(cut)) + " of " + std::to_string(total) + " bytes");
        fs->restore(snapshot);
        fs->setWriteBudget(fs->bytesWritten() + cut);
        EXPECT_THROW(appendOne(), EngineError);
        fs->clearWriteBudget();
        Table t;
        open(t);
        ASSERT_NO_THROW(t.open());
        int seen = 0;
        for (t.first(); !t.eof(); t.next()) {
            if (t.fieldByName("KENNUNG").asString() == "K0500") continue;  // the cut row may be there
            EXPECT_EQ(t.fieldByName("NOTE").asString(), std::string("text ").append(std::to_string(seen)));
            EXPECT_EQ(t.fieldByName("KENNUNG").asString(), std::string("K").append(std::to_string(1000 - seen)));
            ++seen;
        }
        EXPECT_EQ(seen, rows);
        // Lookups work on the index as it is, or after rebuilding it.
        bool indexOk = true;
        try {
            t.setIndexName("idxKennung");
            for (int i = 0; i < rows; ++i) indexOk = indexOk && t.findKey(std::string("K").append(std::to_string(1000 - i)));
        } catch (const EngineError&) {
            indexOk = false;
        }
        if (!indexOk || !t.checkIndexes().empty()) {
            t.setIndexName("");
            t.rebuildIndexes();
            t.setIndexName("idxKennung");
            for (int i = 0; i < rows; ++i) EXPECT_TRUE(t.findKey(std::string("K").append(std::to_string(1000 - i))));
        }
        EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
    }
}

namespace {

// A dBase 7 table of one row: a double 'O' and a timestamp '@', each stored as dBase 7 does
// (big-endian, sign bit flipped for values not below zero).
std::vector<char> dBase7Table(double number, double milliseconds) {
    std::vector<char> d(68, 0);
    d[0] = 0x04;
    put32(d, 4, 1);
    put16(d, 8, uint16_t(68 + 2 * 48 + 1));
    put16(d, 10, 17);
    auto field = [&](const char* name, char type) {
        std::vector<char> f(48, 0);
        std::memcpy(f.data(), name, std::strlen(name));
        f[32] = type;
        f[33] = 8;
        d.insert(d.end(), f.begin(), f.end());
    };
    field("WERT", 'O');
    field("ZEIT", '@');
    d.push_back(0x0D);
    d.push_back(' ');
    for (double v : {number, milliseconds}) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        u = v < 0 ? ~u : (u | 0x8000000000000000ull);
        for (int i = 7; i >= 0; --i) d.push_back(char(u >> (8 * i)));
    }
    d.push_back(0x1A);
    return d;
}

}  // namespace

// Values and names of other programs' files that the engine once took for granted.
TEST(DbfRobustness, ForeignValuesNamesAndMissingFilesGiveErrorsNamingTheFile) {
    TempDir dir;
    {
        // A double of 2^63 and more has no 64-bit integer; a timestamp past year 9999 no date.
        dbftest::writeAll(dir.file("D7.DBF"), dBase7Table(18446744073709551616.0, 1e300));
        Table t(dir.windowsDir(), "D7.DBF");
        t.open();
        EXPECT_EQ(errorOf([&] { t.fieldByName("WERT").asInteger(); }),
                  "Feld WERT: Der Wert 18446744073709551616 passt nicht in 32 Bit: " + dir.shown("D7.DBF"));
        EXPECT_EQ(errorOf([&] { t.fieldByName("ZEIT").asDate(); }),
                  "Feld ZEIT: Der Zeitstempel liegt außerhalb des Kalenders: " + dir.shown("D7.DBF"));
    }
    makeTable(dir);
    const std::vector<char> original = dbftest::readAll(dir.file("BAD.DBF"));
    {
        // A field name padded with blanks before its terminator is listed and found trimmed.
        auto data = original;
        std::memcpy(data.data() + 32, "ID  ", 4);
        dbftest::writeAll(dir.file("BAD.DBF"), data);
        Table t(dir.windowsDir(), "BAD.DBF");
        t.open();
        EXPECT_EQ(t.fieldDefs()[0].name, "ID");
        EXPECT_EQ(t.fieldByName("ID").asInteger(), 1);
    }
    {
        // A number field holding text: the error names field and file.
        auto data = original;
        std::memcpy(data.data() + 129 + 1, "        abc", 11);
        dbftest::writeAll(dir.file("BAD.DBF"), data);
        Table t(dir.windowsDir(), "BAD.DBF");
        EXPECT_EQ(errorOf([&] { t.addIndex("idxId", "ID"); }),
                  "Feld ID: Der Wert 'abc' ist keine Zahl: " + dir.shown("BAD.DBF"));
        dbftest::writeAll(dir.file("BAD.DBF"), original);
        t.addIndex("idxId", "ID");
        t.setIndexName("idxId");
        t.open();
        EXPECT_EQ(errorOf([&] { t.findKey(std::string("x1")); }),
                  "Der Suchschlüssel 'x1' für den Index IDXID ist keine Zahl: " + dir.shown("BAD.DBF"));
    }
    {
        // The index file is gone: asked for an index or a change, the error names that file.
        std::filesystem::remove(dir.file("BAD.MDX"));
        const auto files = dbftest::readAll(dir.file("BAD.DBF"));
        Table t(dir.windowsDir(), "BAD.DBF");
        t.open();
        const std::string missing = "Die Indexdatei fehlt: " + dir.shown("BAD.MDX");
        EXPECT_EQ(errorOf([&] { t.setIndexName("idxName"); }), missing);
        EXPECT_EQ(errorOf([&] {
                      t.append();
                      t.fieldByName("ID").setInteger(99);
                      t.post();
                  }),
                  missing);
        EXPECT_EQ(dbftest::readAll(dir.file("BAD.DBF")), files);
    }
}
