// Damaged files give EngineError without writing; an append cut off at any byte loses no row.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "DbfTestSupport.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"

using dbf::EngineError;
using dbf::FieldType;
using dbf::Table;
using dbftest::TempDir;

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
        t.fieldByName("NAME").setString("N" + std::to_string(i));
        t.fieldByName("NOTE").setString("note " + std::to_string(i));
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
            t.fieldByName("KENNUNG").setString("K" + std::to_string(1000 - i));
            t.fieldByName("NOTE").setString("text " + std::to_string(i));
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
        SCOPED_TRACE("cut after " + std::to_string(cut) + " of " + std::to_string(total) + " bytes");
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
            EXPECT_EQ(t.fieldByName("NOTE").asString(), "text " + std::to_string(seen));
            EXPECT_EQ(t.fieldByName("KENNUNG").asString(), "K" + std::to_string(1000 - seen));
            ++seen;
        }
        EXPECT_EQ(seen, rows);
        // Lookups work on the index as it is, or after rebuilding it.
        bool indexOk = true;
        try {
            t.setIndexName("idxKennung");
            for (int i = 0; i < rows; ++i) indexOk = indexOk && t.findKey("K" + std::to_string(1000 - i));
        } catch (const EngineError&) {
            indexOk = false;
        }
        if (!indexOk || !t.checkIndexes().empty()) {
            t.setIndexName("");
            t.rebuildIndexes();
            t.setIndexName("idxKennung");
            for (int i = 0; i < rows; ++i) EXPECT_TRUE(t.findKey("K" + std::to_string(1000 - i)));
        }
        EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
    }
}
