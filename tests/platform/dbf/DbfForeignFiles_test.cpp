// Index files of another table or of an earlier state, index pages that share children or
// count past the file, and read-only files: an error naming the file, and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DbfTestSupport.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxIndex.h"

using dbf::EngineError;
using dbf::FieldType;
using dbf::Table;
using dbftest::TempDir;
using dbftest::errorOf;
namespace fs = std::filesystem;

namespace {

std::string kennung(int i) { return std::string("K").append(std::to_string(i)); }

// A transaction list of 40 rows, K1..K40 in file order, or K40..K1 when reversed; the TID
// goes with the identifier.
void buildList(const std::string& dir, bool reversed) {
    Table t(dir, "TA_LIST.DBF");
    dbftest::createList(t);
    t.open();
    for (int i = 1; i <= 40; ++i) {
        const int k = reversed ? 41 - i : i;
        dbftest::appendRow(t, 1000 + k % 3, kennung(k));
    }
}

using Files = std::map<std::string, std::vector<char>>;
Files contents(const TempDir& dir) {
    Files out;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.is_regular_file()) out[e.path().filename().string()] = dbftest::readAll(e.path().string());
    return out;
}

uint32_t le32(const std::vector<char>& d, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(d[at + size_t(i)]);
    return v;
}
void put32(std::vector<char>& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + size_t(i)] = char(v >> (8 * i));
}

}  // namespace

TEST(DbfForeignFiles, IndexFileOfAnotherTableIsRefused) {
    TempDir dir;
    buildList(dir.windowsDir(), false);
    {
        Table kl(dir.windowsDir(), "TA_KL.DBF");
        kl.addFieldDef("TID", FieldType::Integer);
        kl.addFieldDef("KENNUNG", FieldType::Character, 50);
        kl.createTable();
        kl.addIndex("idxKennung", "KENNUNG");
        kl.addIndex("idxTID", "TID");
    }
    dbftest::replaceFile(dir.file("TA_KL.MDX"), dir.file("TA_LIST.MDX"));
    const Files before = contents(dir);
    const std::string message = errorOf([&] {
        Table t(dir.windowsDir(), "TA_LIST.DBF");
        t.setIndexName("idxKennung");
        t.open();
    });
    EXPECT_NE(message.find("TA_KL"), std::string::npos) << message;
    EXPECT_EQ(message.size() - message.rfind("TA_LIST.MDX"), 11u) << message;
    EXPECT_EQ(contents(dir), before);
}

// The index of another project's list of the same name: its record numbers lead to rows of
// other identifiers. Lookups, walks, deletions and renames stop before writing anything.
TEST(DbfForeignFiles, OutOfDateIndexStopsLookupsAndChangesBeforeWriting) {
    TempDir dir;
    fs::create_directories(dir.path() / "other");
    buildList(dir.windowsDir(), false);
    buildList(dir.windowsDir() + "other\\", true);
    dbftest::replaceFile((dir.path() / "other" / "TA_LIST.MDX").string(), dir.file("TA_LIST.MDX"));
    const Files before = contents(dir);
    const std::vector<std::pair<const char*, std::function<void(Table&)>>> cases = {
        {"lookup", [](Table& t) {
             t.setIndexName("idxKennung");
             t.findKey(kennung(10));
         }},
        {"walk in index order", [](Table& t) {
             t.setIndexName("idxKennung");
             t.first();
         }},
        {"range count", [](Table& t) {
             t.setIndexName("idxTID");
             t.setRange(int32_t(1002), int32_t(1002));
             t.recordCount();
         }},
        {"deletion", [](Table& t) {
             t.first();
             t.next();
             t.deleteRecord();
         }},
        {"rename", [](Table& t) {
             t.first();
             t.edit();
             t.fieldByName("KENNUNG").setString("K99");
             t.post();
         }},
    };
    for (const auto& [what, action] : cases) {
        SCOPED_TRACE(what);
        const std::string message = errorOf([&] {
            Table t(dir.windowsDir(), "TA_LIST.DBF");
            t.open();
            action(t);
        });
        EXPECT_NE(message.find("gehört nicht zu dieser Tabelle oder ist veraltet"), std::string::npos) << message;
        EXPECT_EQ(message.size() - message.rfind("TA_LIST.MDX"), 11u) << message;
        EXPECT_EQ(contents(dir), before);
    }
    // A change of a field no index covers needs no entry of the index.
    Table t(dir.windowsDir(), "TA_LIST.DBF");
    t.open();
    t.edit();
    t.fieldByName("CHANGED").setString("UPDATE");
    EXPECT_NO_THROW(t.post());
}

// Index pages whose child pointers all lead to one page, a cycle back to the root, a page
// count past the end of the file: errors at once, before anything is written, and before a
// walk, also one that starts where a lookup put it, gives a row twice.
TEST(DbfForeignFiles, SharedChildrenCyclesAndPageCountsPastTheEndAreDamage) {
    TempDir dir;
    {
        Table t(dir.windowsDir(), "W.DBF");
        t.addFieldDef("NAME", FieldType::Character, 100);  // nine keys a page, ten children
        t.createTable();
        t.open();
        for (int i = 0; i < 2000; ++i) {
            t.append();
            t.fieldByName("NAME").setString(kennung(100000 + i));
            t.post();
        }
        t.close();
        t.addIndex("idxName", "NAME");
    }
    uint32_t root = 0;
    size_t item = 0;
    {
        dbf::mdx::MdxFile mdx(dbf::io::standardFileSystem()->open(dir.file("W.MDX"), dbf::io::OpenMode::Read));
        root = mdx.tags()[0].rootPage;
        item = size_t(mdx.tags()[0].itemLength);
    }
    const auto original = dbftest::readAll(dir.file("W.MDX"));
    auto pointers = [&](const std::vector<char>& d, uint32_t page) {
        const size_t at = size_t(page) * 512;
        const uint32_t count = le32(d, at);
        std::vector<size_t> out;
        for (uint32_t i = 0; i <= count; ++i) out.push_back(at + 8 + i * item);
        if (le32(d, out.back()) == 0) out.clear();  // a leaf
        return out;
    };
    using Damage = std::function<void(std::vector<char>&)>;
    // What goes down the index first: a walk from the first row, a lookup of the first key
    // and a walk on from there, or the append.
    enum class First { Walk, LookupThenWalk, Append };
    struct Case {
        const char* what;
        Damage damage;
        First first = First::Walk;
    };
    const Damage sameChild = [&](std::vector<char>& d) {
        for (uint32_t page = root;;) {
            const auto ptrs = pointers(d, page);
            if (ptrs.empty()) break;
            const uint32_t first = le32(d, ptrs[0]);
            for (size_t p : ptrs) put32(d, p, first);
            page = first;
        }
    };
    const Damage backToRoot = [&](std::vector<char>& d) {
        const uint32_t inner = le32(d, pointers(d, root)[0]);
        put32(d, pointers(d, inner).back(), root);
    };
    const std::vector<Case> damages = {
        {"every child pointer of each level leads to the same page", sameChild},
        {"every child pointer of each level leads to the same page, a walk from a lookup", sameChild,
         First::LookupThenWalk},
        {"the first inner page's last pointer leads back to the root", backToRoot},
        {"the first inner page's last pointer leads back to the root, a walk from a lookup", backToRoot,
         First::LookupThenWalk},
        {"the last inner page's last pointer leads back to the root, on the way of an append",
         [&](std::vector<char>& d) {
             const uint32_t inner = le32(d, pointers(d, root).back());
             put32(d, pointers(d, inner).back(), root);
         },
         First::Append},
        {"page count past the end of the file", [](std::vector<char>& d) { put32(d, 32, uint32_t(d.size() / 512 + 40)); }},
        {"page count that wraps", [](std::vector<char>& d) { put32(d, 32, 0xFFFFFFFFu); }},
    };
    for (const auto& [what, damage, first] : damages) {
        SCOPED_TRACE(what);
        auto data = original;
        damage(data);
        dbftest::writeAll(dir.file("W.MDX"), data);
        const Files before = contents(dir);
        std::set<int> rows;
        bool rowTwice = false;
        const std::string message = errorOf([&] {
            Table t(dir.windowsDir(), "W.DBF");
            if (first != First::Append) {
                t.setIndexName("idxName");
                t.open();
                if (first == First::Walk) t.first();
                else ASSERT_TRUE(t.findKey(kennung(100000)));
                for (; !t.eof(); t.next()) rowTwice = !rows.insert(t.recordNumber()).second || rowTwice;
            }
            t.open();
            t.append();
            t.fieldByName("NAME").setString("NEW");
            t.post();
        });
        EXPECT_EQ(message.rfind("Die Indexdatei ist beschädigt (", 0), 0u) << message;
        EXPECT_EQ(message.size() - message.rfind("W.MDX"), 5u) << message;
        EXPECT_FALSE(rowTwice);
        EXPECT_EQ(contents(dir), before);
    }
}

// A change finds every file it writes writable before it writes the first: table, index,
// memo file.
TEST(DbfForeignFiles, ReadOnlyFilesStopChangesBeforeTheFirstWrite) {
    TempDir dir;
    {
        Table t(dir.windowsDir(), "RO.DBF");
        t.addFieldDef("NAME", FieldType::Character, 20);
        t.addFieldDef("NOTE", FieldType::Memo);
        t.createTable();
        t.addIndex("idxName", "NAME");
        t.open();
        for (int i = 1; i <= 5; ++i) {
            t.append();
            t.fieldByName("NAME").setString(kennung(i));
            t.fieldByName("NOTE").setString("note");
            t.post();
        }
    }
    const std::vector<std::pair<const char*, std::function<void(Table&)>>> changes = {
        {"append", [](Table& t) {
             t.append();
             t.fieldByName("NAME").setString("NEW");
             t.post();
         }},
        {"append with a memo", [](Table& t) {
             t.append();
             t.fieldByName("NAME").setString("NEW");
             t.fieldByName("NOTE").setString("new note");
             t.post();
         }},
        {"edit of the key and the memo", [](Table& t) {
             t.edit();
             t.fieldByName("NAME").setString("RENAMED");
             t.fieldByName("NOTE").setString("changed");
             t.post();
         }},
        {"deletion", [](Table& t) { t.deleteRecord(); }},
    };
    for (const char* file : {"RO.DBF", "RO.MDX", "RO.DBT"}) {
        fs::permissions(dir.file(file), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const Files before = contents(dir);
        for (const auto& [what, change] : changes) {
            if (std::string(file) == "RO.DBT" && std::string(what).find("memo") == std::string::npos) continue;
            SCOPED_TRACE(std::string(file) + ", " + what);
            const std::string message = errorOf([&] {
                Table t(dir.windowsDir(), "RO.DBF");
                t.setIndexName("idxName");
                t.open();
                change(t);
            });
            EXPECT_EQ(message, "Die Datei ist schreibgeschützt: " + dir.shown(file));
            EXPECT_EQ(contents(dir), before);
        }
        fs::permissions(dir.file(file), fs::perms::owner_read | fs::perms::owner_write);
    }
}
