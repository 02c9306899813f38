// Opening a table reads what the first lookup needs: no name asked for before its open, a
// tag's header when the tag is first used, the first row when a walk first asks for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DbfTestSupport.h"
#include "platform/dbf/CountingFile.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxIndex.h"

using dbf::Table;
using dbf::io::CountingFileSystem;
using dbf::io::MemoryFileSystem;
using dbftest::TempDir;

namespace {

std::string kennung(int i) {
    char b[16];
    std::snprintf(b, sizeof b, "K%04d", i);
    return b;
}

// The list of the tests' support, 600 rows appended in shuffled order, in memory.
std::shared_ptr<MemoryFileSystem> listInMemory() {
    auto memory = std::make_shared<MemoryFileSystem>();
    Table t("/d", "T.DBF");
    t.setFileSystem(memory);
    dbftest::createList(t);
    t.open();
    std::vector<int> order(600);
    for (int i = 0; i < 600; ++i) order[size_t(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int i : order) dbftest::appendRow(t, 1000 + i % 7, kennung(i));
    return memory;
}

int depthOf(MemoryFileSystem& memory, const char* tag) {
    dbf::mdx::MdxFile mdx(memory.open("/d/T.MDX", dbf::io::OpenMode::Read));
    dbf::mdx::Cursor c;
    mdx.first(mdx.findTag(tag), c);
    return int(c.path.size());
}

}  // namespace

TEST(DbfOpenPath, OpenAndLookupReadTheHeadersTheTagAPagePerLevelAndTheRow) {
    auto memory = listInMemory();
    const int depth = depthOf(*memory, "idxKennung");
    ASSERT_GE(depth, 2);
    auto counting = std::make_shared<CountingFileSystem>(memory);
    Table t("/d", "T.DBF");
    t.setFileSystem(counting);
    t.setIndexName("idxKennung");
    t.open();
    const auto& calls = counting->calls();
    EXPECT_EQ(calls.opens, 2);  // the table and its index file, nothing asked before
    EXPECT_EQ(calls.stats + calls.misses + calls.lists, 0);
    // Their headers, the index file's with the block behind it, which holds the first tag's
    // header: no other tag's header, no first row yet.
    EXPECT_EQ(calls.reads, 2);
    ASSERT_TRUE(t.findKey(kennung(321)));
    EXPECT_EQ(t.fieldByName("KENNUNG").asString(), kennung(321));
    // idxKennung is the first tag: no read of its header; one page per level, the row.
    EXPECT_EQ(calls.reads, 2 + depth + 1);
    // A walk asks for its first row now: the leftmost pages down to it, and that row.
    counting->reset();
    t.first();
    EXPECT_EQ(t.fieldByName("KENNUNG").asString(), kennung(0));
    EXPECT_GE(calls.reads, 1);
    EXPECT_LE(calls.reads, depth + 1);
    // The other tag's header is read once, when that tag is first used.
    counting->reset();
    t.setIndexName("idxTID");
    t.setIndexName("idxKennung");
    t.setIndexName("idxTID");
    const int other = calls.reads;
    EXPECT_GE(other, 1);
    t.setIndexName("idxKennung");
    t.setIndexName("idxTID");
    EXPECT_EQ(calls.reads, other);
    t.close();
    EXPECT_EQ(calls.closes, 2);
}

// Every use of the position right after the open gives what it gives after an explicit
// first(): in index order and in file order.
TEST(DbfOpenPath, FirstUseOfThePositionActsAsAWalkFromTheFirstRow) {
    const auto sound = listInMemory()->snapshot();
    struct Case {
        const char* what;
        std::function<std::string(Table&)> act;
        bool needsIndex = false;
    };
    auto current = [](Table& t) { return std::to_string(t.recordNumber()) + " " + t.fieldByName("KENNUNG").asString(); };
    const Case cases[] = {
        {"field of the current row", [](Table& t) { return t.fieldByName("KENNUNG").asString(); }},
        {"record number", [](Table& t) { return std::to_string(t.recordNumber()); }},
        {"eof", [](Table& t) { return std::string(t.eof() ? "eof" : "row"); }},
        {"next", [&](Table& t) {
             t.next();
             return current(t);
         }},
        {"a lookup that fails, then next", [&](Table& t) {
             EXPECT_FALSE(t.findKey(std::string("NONE")));
             t.next();
             return current(t);
         }, true},
        {"edit and post", [&](Table& t) {
             t.edit();
             t.fieldByName("CHANGED").setString("EDITED");
             t.post();
             std::string out = current(t);
             for (const auto& c : dbftest::walk(t, "CHANGED")) out += " " + c;
             return out;
         }},
        {"delete", [&](Table& t) {
             t.deleteRecord();
             std::string out = current(t);
             for (const auto& k : dbftest::walk(t)) out += " " + k;
             return out;
         }},
        {"append and post", [&](Table& t) {
             t.append();
             t.fieldByName("KENNUNG").setString("A0000");
             t.post();
             return current(t);
         }},
        {"range cancelled", [&](Table& t) {
             t.cancelRange();
             return current(t);
         }},
    };
    for (const char* index : {"idxKennung", ""}) {
        for (const auto& c : cases) {
            if (c.needsIndex && !*index) continue;
            std::string got[2];
            for (int explicitFirst = 0; explicitFirst < 2; ++explicitFirst) {
                auto memory = std::make_shared<MemoryFileSystem>();
                memory->restore(sound);
                Table t("/d", "T.DBF");
                t.setFileSystem(memory);
                if (*index) t.setIndexName(index);
                t.open();
                if (explicitFirst) t.first();
                got[explicitFirst] = c.act(t);
            }
            EXPECT_EQ(got[0], got[1]) << c.what << ", index '" << index << "'";
        }
    }
}

// A damaged header of a tag the lookup does not use stops nothing but the use of that tag,
// and every change, before anything is written.
TEST(DbfOpenPath, DamagedTagHeaderIsFoundWhenTheTagIsUsedAndStopsChanges) {
    auto memory = listInMemory();
    auto& mdx = memory->data("/d/T.MDX");
    const size_t slot = 1;  // idxTID
    const uint32_t headerPage = uint32_t(mdx[544 + 32 * slot]) | uint32_t(mdx[545 + 32 * slot]) << 8;
    mdx[size_t(headerPage) * 512 + 9] = 'X';  // key type
    const auto before = memory->snapshot();
    const std::string damaged = "Schlüsseltyp oder -länge des Index IDXTID";

    Table t("/d", "T.DBF");
    t.setFileSystem(memory);
    t.setIndexName("idxKennung");
    t.open();
    ASSERT_TRUE(t.findKey(kennung(42)));
    EXPECT_EQ(t.fieldByName("TID").asInteger(), 1000 + 42 % 7);
    EXPECT_NE(dbftest::errorOf([&] { t.setIndexName("idxTID"); }).find(damaged), std::string::npos);
    Table u("/d", "T.DBF");
    u.setFileSystem(memory);
    u.open();
    EXPECT_NE(dbftest::errorOf([&] { dbftest::appendRow(u, 5, "NEU"); }).find(damaged), std::string::npos);
    u.cancel();
    EXPECT_NE(dbftest::errorOf([&] { u.deleteRecord(); }).find(damaged), std::string::npos);
    EXPECT_NE(dbftest::errorOf([&] { u.checkIndexes(); }).find(damaged), std::string::npos);
    EXPECT_TRUE(memory->snapshot() == before);
}

TEST(DbfOpenPath, OpenIfExistsFindsTheFileByItsOpenAlone) {
    TempDir dir;
    {
        Table t(dir.windowsDir(), "ta_list.dbf");
        dbftest::createList(t);
        t.open();
        dbftest::appendRow(t, 5, "A");
    }
    auto counting = std::make_shared<CountingFileSystem>(dbf::io::standardFileSystem());
    const auto& calls = counting->calls();
    auto opened = [&](const std::string& name) {
        Table t(dir.windowsDir(), name);
        t.setFileSystem(counting);
        const bool ok = t.openIfExists();
        EXPECT_EQ(ok, t.active()) << name;
        return ok;
    };
    EXPECT_TRUE(opened("ta_list.dbf"));
    EXPECT_EQ(calls.opens, 2);
    EXPECT_EQ(calls.stats + calls.misses + calls.lists, 0);
    counting->reset();
    // A name differing in case: the open misses, the directory tells the name, then it opens.
    EXPECT_TRUE(opened("TA_LIST.DBF"));
    EXPECT_EQ(calls.opens, 2);
    EXPECT_EQ(calls.stats, 0);
#ifndef _WIN32
    EXPECT_GE(calls.misses, 1);  // Windows opens it by that name at once
#endif
    EXPECT_FALSE(opened("TA_ID.DBF"));
    std::filesystem::create_directory(dir.path() / "TA_KL.DBF");
    EXPECT_FALSE(opened("TA_KL.DBF"));
    Table kl(dir.windowsDir(), "TA_KL.DBF");
    EXPECT_NE(dbftest::errorOf([&] { kl.open(); }).find("Die Tabelle wurde nicht gefunden"), std::string::npos);
}
