// Long runs of equal keys: rows removed and added far inside them, across reopening, and
// after another program has replaced the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "DbfTestSupport.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxIndex.h"

using dbf::Table;
using dbftest::appendRow;
using dbftest::TempDir;

namespace {

using Entries = std::set<std::pair<int32_t, int>>;  // (TID, record number) in index order

Entries walkTid(Table& t) {
    Entries out;
    int32_t lastTid = INT32_MIN;
    int lastRec = 0;
    t.setIndexName("idxTID");
    for (t.first(); !t.eof(); t.next()) {
        const int32_t tid = t.fieldByName("TID").asInteger();
        // Index order: by TID, equal TIDs by record number.
        EXPECT_TRUE(tid > lastTid || (tid == lastTid && t.recordNumber() > lastRec));
        lastTid = tid;
        lastRec = t.recordNumber();
        out.emplace(tid, t.recordNumber());
    }
    return out;
}

// The record numbers of the idxTID entries as the index file holds them, deleted rows and
// all: an entry left behind by a removal shows here, not in a walk of the table.
std::vector<int> indexEntries(const std::string& mdxPath) {
    dbf::mdx::MdxFile mdx(dbf::io::standardFileSystem()->open(mdxPath, dbf::io::OpenMode::Read));
    const int tag = mdx.findTag("idxTID");
    std::vector<int> out;
    dbf::mdx::Cursor c;
    for (bool more = mdx.first(tag, c); more; more = mdx.next(tag, c)) out.push_back(int(c.current.recno));
    return out;
}

std::vector<int> recnos(const Entries& model) {
    std::vector<int> out;
    for (const auto& e : model) out.push_back(e.second);
    return out;
}

// Opens the table, deletes the row of one identifier and closes it again, as every hook does.
void deleteKennung(const std::string& dir, const std::string& kennung, Entries& model) {
    Table t(dir, "T.DBF");
    t.setIndexName("idxKennung");
    t.open();
    ASSERT_TRUE(t.findKey(kennung)) << kennung;
    model.erase({t.fieldByName("TID").asInteger(), t.recordNumber()});
    t.deleteRecord();
}

// Blocks of rows of one TID each, appended one by one; rows K0, K1, ... in file order.
Entries build(const std::string& dir, const std::vector<std::pair<int32_t, int>>& blocks) {
    Table t(dir, "T.DBF");
    dbftest::createList(t);
    t.open();
    Entries model;
    int n = 0;
    for (const auto& [tid, count] : blocks)
        for (int i = 0; i < count; ++i, ++n) {
            appendRow(t, tid, std::string("K").append(std::to_string(n)));
            model.emplace(tid, t.recordNumber());
        }
    return model;
}

bool hasKennung(const std::string& dir, const std::string& kennung) {
    Table t(dir, "T.DBF");
    t.setIndexName("idxKennung");
    t.open();
    return t.findKey(kennung);
}

}  // namespace

TEST(DbfRuns, RemovalsAnywhereInLongRunsKeepTheIndexExact) {
    TempDir temp;
    const std::string dir = temp.windowsDir();
    // Rows of TID 5, then of 7, then of 5 again appended densely: record numbers spread
    // unevenly over the run of 5, which spans many index pages and ends before the run of 7.
    Entries model = build(dir, {{5, 1500}, {7, 400}, {5, 700}});
    std::mt19937 rng(99);
    int next = 2600;
    for (int round = 0; round < 300; ++round) {
        // A random row goes; every third round a new row of TID 5 comes and, every other
        // time, goes again at once: the table's last row, at the end of the run of 5 and
        // before the run of 7.
        const std::string victim = std::string("K").append(std::to_string(rng() % 2600));
        if (hasKennung(dir, victim)) deleteKennung(dir, victim, model);
        if (round % 3 == 0) {
            Table t(dir, "T.DBF");
            t.open();
            appendRow(t, 5, std::string("K").append(std::to_string(next)));
            model.emplace(5, t.recordNumber());
            t.close();
            if (round % 2 == 0) deleteKennung(dir, std::string("K").append(std::to_string(next)), model);
            ++next;
        }
    }
    EXPECT_EQ(indexEntries(temp.file("T.MDX")), recnos(model));
    Table t(dir, "T.DBF");
    t.open();
    EXPECT_EQ(walkTid(t), model);
    t.setIndexName("idxTID");
    t.setRange(int32_t(7), int32_t(7));
    EXPECT_EQ(t.recordCount(), int(std::count_if(model.begin(), model.end(), [](auto& e) { return e.first == 7; })));
    EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
}

TEST(DbfRuns, TheLastRowGoesFromTheEndOfALeafBeforeAnotherRun) {
    TempDir temp;
    const std::string dir = temp.windowsDir();
    // 1260 rows of TID 5, as many as fill 20 index pages, the last of them the table's last
    // row: rebuilt, its entry ends a page, and the next page begins the run of 7.
    Entries model = build(dir, {{5, 1000}, {7, 400}, {5, 260}});
    {
        Table t(dir, "T.DBF");
        t.open();
        t.rebuildIndexes();
    }
    deleteKennung(dir, "K1659", model);
    EXPECT_EQ(indexEntries(temp.file("T.MDX")), recnos(model));
    Table t(dir, "T.DBF");
    EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
}

TEST(DbfRuns, RemovalsStayExactAfterAnotherProgramReplacedTheFiles) {
    TempDir temp;
    const std::string dir = temp.windowsDir();
    // Another table of the same layout whose run of 5 lies elsewhere in the file and in the
    // index: what the engine learns of this table's runs is wrong for that one.
    std::filesystem::create_directories(temp.path() / "other");
    Entries model = build(dir, {{5, 1200}, {7, 300}, {5, 900}});
    const Entries otherModel = build(dir + "other\\", {{3, 700}, {5, 1400}, {7, 300}});
    std::mt19937 rng(7);
    auto removeSome = [&] {
        for (int i = 0; i < 150; ++i) {
            const std::string k = std::string("K").append(std::to_string(rng() % 2400));
            if (hasKennung(dir, k)) deleteKennung(dir, k, model);
        }
    };
    removeSome();
    for (const char* name : {"T.DBF", "T.MDX"})
        dbftest::writeAll(temp.file(name), dbftest::readAll((temp.path() / "other" / name).string()));
    model = otherModel;
    removeSome();
    EXPECT_EQ(indexEntries(temp.file("T.MDX")), recnos(model));
    Table t(dir, "T.DBF");
    t.open();
    EXPECT_EQ(walkTid(t), model);
    EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
}

TEST(DbfRuns, RemovalsStayExactAfterAnotherProgramChangedTheFiles) {
    TempDir temp;
    const std::string dir = temp.windowsDir();
    std::filesystem::create_directories(temp.path() / "copy");
    auto copyFiles = [&](const std::filesystem::path& from, const std::filesystem::path& to) {
        for (const char* name : {"T.DBF", "T.MDX"})
            dbftest::writeAll((to / name).string(), dbftest::readAll((from / name).string()));
    };
    Entries model = build(dir, {{5, 1500}, {7, 300}, {5, 600}});
    // Removals at the end of the run of 5 let this process learn the pages there.
    for (int k = 2390; k < 2400; k += 3) deleteKennung(dir, std::string("K").append(std::to_string(k)), model);
    // Another program adds rows to a copy, which splits the pages at the end of that run,
    // and puts the copy back: the inner pages there are no longer as this process knows them.
    copyFiles(temp.path(), temp.path() / "copy");
    {
        Table t(dir + "copy\\", "T.DBF");
        t.open();
        for (int i = 0; i < 130; ++i) {
            appendRow(t, 5, std::string("K").append(std::to_string(2400 + i)));
            model.emplace(5, t.recordNumber());
        }
    }
    copyFiles(temp.path() / "copy", temp.path());
    // Every row about the end of the run goes, among them the last ones of the split pages.
    for (int k = 2300; k < 2530; ++k)
        if (hasKennung(dir, std::string("K").append(std::to_string(k)))) deleteKennung(dir, std::string("K").append(std::to_string(k)), model);
    EXPECT_EQ(indexEntries(temp.file("T.MDX")), recnos(model));
    Table t(dir, "T.DBF");
    t.open();
    EXPECT_EQ(walkTid(t), model);
    EXPECT_EQ(t.checkIndexes(), std::vector<std::string>());
}
