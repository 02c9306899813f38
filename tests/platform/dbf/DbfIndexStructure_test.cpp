// Index structure after removals: separators, emptied leaves and cascades, as strict readers
// descend, and the structure check that tells them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "DbfTestSupport.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxIndex.h"

using dbf::FieldType;
using dbf::Table;
using dbftest::TempDir;

namespace {

std::string joined(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems) out += p + "\n";
    return out;
}

std::string name(int i) {
    char b[16];
    std::snprintf(b, sizeof b, "N%05d", i);
    return b;
}

// Rows of a wide key (nine keys a page, ten children) numbered 0..rows-1 in key order; the
// index built over the rows at once, so that pages are full and trees four levels deep.
void buildWide(const std::string& dir, int rows) {
    Table t(dir, "W.DBF");
    t.addFieldDef("NR", FieldType::Integer);
    t.addFieldDef("NAME", FieldType::Character, 100);
    t.createTable();
    t.open();
    for (int i = 0; i < rows; ++i) {
        t.append();
        t.fieldByName("NR").setInteger(i % 7);
        t.fieldByName("NAME").setString(name(i));
        t.post();
    }
    t.close();
    t.addIndex("idxName", "NAME");
    t.addIndex("idxNr", "NR");
}

void removeName(Table& t, int i) {
    ASSERT_TRUE(t.findKey(name(i))) << name(i);
    t.deleteRecord();
}

}  // namespace

// The case that broke other programs' lookups: the rows of the leaf that is its parent's last
// child go, and the separator above must come down to the key now last in that subtree.
TEST(DbfIndexStructure, EmptiedLastLeafLowersTheSeparatorAbove) {
    TempDir temp;
    Table t(temp.windowsDir(), "TA_LIST.DBF");
    t.addFieldDef("TID", FieldType::Integer);
    t.addFieldDef("KENNUNG", FieldType::Character, 50);
    t.createTable();
    t.open();
    for (int r = 1; r <= 8000; ++r) {
        t.append();
        t.fieldByName("TID").setInteger(r <= 3969 ? 1000 : 2000);
        t.fieldByName("KENNUNG").setString(std::string("K").append(std::to_string(r)));
        t.post();
    }
    t.close();
    t.addIndex("idxKennung", "KENNUNG");
    t.addIndex("idxTID", "TID");
    t.open();
    ASSERT_EQ(t.checkIndexes(), std::vector<std::string>());
    t.setIndexName("idxKennung");
    for (int r = 3970; r <= 4032; ++r) {
        ASSERT_TRUE(t.findKey(std::string("K").append(std::to_string(r))));
        t.deleteRecord();
    }
    EXPECT_EQ(joined(t.checkIndexes()), "");
    t.setIndexName("idxTID");
    t.setRange(int32_t(2000), int32_t(2000));
    EXPECT_EQ(t.recordCount(), 8000 - 4032);
    // Every row of one transaction goes, then two rows of new transactions come.
    t.cancelRange();
    while (t.findKey(int32_t(1000))) t.deleteRecord();
    EXPECT_EQ(joined(t.checkIndexes()), "");
    for (int tid : {1003, 1004}) {
        t.append();
        t.fieldByName("TID").setInteger(tid);
        t.fieldByName("KENNUNG").setString(std::string("NEU").append(std::to_string(tid)));
        t.post();
    }
    EXPECT_EQ(joined(t.checkIndexes()), "");
    t.setRange(int32_t(1004), int32_t(1004));
    EXPECT_EQ(t.recordCount(), 1);
}

// Blocks of neighbouring keys go at random places and of random lengths: leaves empty at the
// first, a middle and the last child, and whole subtrees over two and three levels. The
// structure check runs after every block; the walk equals the rows left.
TEST(DbfIndexStructure, RemovalsOfEveryShapeKeepSeparatorsExact) {
    TempDir temp;
    const int rows = 3000;
    buildWide(temp.windowsDir(), rows);
    Table t(temp.windowsDir(), "W.DBF");
    t.setIndexName("idxName");
    t.open();
    std::mt19937 rng(7);
    std::vector<bool> alive(size_t(rows), true);
    // Whole first, middle and last children of the levels above the leaves (9 keys a leaf,
    // 90 a parent, 900 a grandparent), then random blocks.
    std::vector<std::pair<int, int>> blocks = {{0, 9}, {45, 9}, {81, 9}, {900, 90}, {1890, 90}, {0, 900}};
    for (int i = 0; i < 40; ++i) {
        const int lengths[] = {1, 5, 9, 30, 90, 250};
        const int len = lengths[rng() % 6];
        blocks.emplace_back(int(rng() % rows), len);
    }
    for (const auto& [from, len] : blocks) {
        for (int i = from; i < std::min(rows, from + len); ++i)
            if (alive[size_t(i)]) {
                removeName(t, i);
                alive[size_t(i)] = false;
            }
        ASSERT_EQ(joined(t.checkIndexes()), "") << "after removing " << len << " from " << from;
    }
    // New rows fill the gaps again, as appends and as renames.
    for (int i = 0; i < rows; i += 3)
        if (!alive[size_t(i)]) {
            t.append();
            t.fieldByName("NR").setInteger(i % 7);
            t.fieldByName("NAME").setString(name(i));
            t.post();
            alive[size_t(i)] = true;
        }
    EXPECT_EQ(joined(t.checkIndexes()), "");
    std::vector<std::string> expected;
    for (int i = 0; i < rows; ++i)
        if (alive[size_t(i)]) expected.push_back(name(i));
    EXPECT_EQ(dbftest::walk(t, "NAME"), expected);
    while (!t.eof()) t.deleteRecord();
    t.first();
    while (!t.eof()) t.deleteRecord();
    EXPECT_EQ(joined(t.checkIndexes()), "");
    EXPECT_EQ(t.recordCount(), 0);
}

// The check must be able to fail: a separator raised above the last key of its subtree, a
// row under another key in the index, a row missing from it.
TEST(DbfIndexStructure, CheckFindsARaisedSeparatorAndRowsOutOfStep) {
    TempDir temp;
    buildWide(temp.windowsDir(), 400);
    uint32_t root = 0;
    {
        dbf::mdx::MdxFile mdx(dbf::io::standardFileSystem()->open(temp.file("W.MDX"), dbf::io::OpenMode::Read));
        root = mdx.tags()[size_t(mdx.findTag("idxName"))].rootPage;
        ASSERT_TRUE(mdx.check(0).problems.empty());
    }
    const auto original = dbftest::readAll(temp.file("W.MDX"));
    {
        // The root's first separator (the key of row 80) raised to that of row 120, which
        // lies in its second child: still in order, but above its subtree.
        auto data = original;
        const std::string raised = dbf::mdx::charKey(name(120), 100);
        std::copy(raised.begin(), raised.end(), data.begin() + long(root * 512 + 8 + 4));
        dbftest::writeAll(temp.file("W.MDX"), data);
        Table t(temp.windowsDir(), "W.DBF");
        t.open();
        const std::string problems = joined(t.checkIndexes());
        EXPECT_NE(problems.find("Trennschlüssel 0 ist nicht der letzte Schlüssel"), std::string::npos) << problems;
        EXPECT_NE(problems.find("Satz 82 wird beim Abstieg von der Wurzel nicht gefunden"), std::string::npos) << problems;
        EXPECT_EQ(problems.find("Satz 81 wird beim Abstieg"), std::string::npos) << problems;
    }
    {
        dbftest::writeAll(temp.file("W.MDX"), original);
        Table t(temp.windowsDir(), "W.DBF");
        t.setIndexName("idxName");
        t.open();
        t.first();
        t.next();
        t.edit();
        t.fieldByName("NAME").setString("ZZZ");
        t.post();
        t.append();
        t.fieldByName("NAME").setString("NEW");
        t.post();
        t.close();
        // The rows changed behind the index's back: the index of before comes back.
        dbftest::writeAll(temp.file("W.MDX"), original);
        t.open();
        const std::string problems = joined(t.checkIndexes());
        EXPECT_NE(problems.find("IDXNAME, Satz 2 steht unter einem anderen Schlüssel"), std::string::npos) << problems;
        EXPECT_NE(problems.find("IDXNAME, Satz 401 fehlt im Index"), std::string::npos) << problems;
    }
}
