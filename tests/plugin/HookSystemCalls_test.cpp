// What the read-only hooks ask of the file system on a list of 100,000 rows, counted by the
// engine's own file layer: one open of the table and of its index, their headers (the first
// tag's with the index's), one page per level of the tree and the row; nothing asked twice.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "host/Project.h"
#include "platform/dbf/CountingFile.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"
#include "platform/dbf/MdxIndex.h"
#include "plugin/VE1TransAction.h"
#include "store/TransActTools.h"
#include "support/Session.h"

namespace {

constexpr int kRows = 100000;

std::string Kennung(int i) { return "NSG-" + std::to_string(100000 + i); }

// The list as the hooks meet it: idxKennung kept up row by row, its pages split as appends
// split them (a tree one level deeper than one built at once), the other indexes built at
// once. Built in memory and written out whole, which is quicker than on disk.
void BuildList(const std::string& dir) {
    auto memory = std::make_shared<dbf::io::MemoryFileSystem>();
    dbf::Table t("/list", "TA_LIST.DBF");
    t.setFileSystem(memory);
    for (const auto& [name, type, size] : {std::tuple{"TID", dbf::FieldType::Integer, 0},
                                           {"FELDIXID", dbf::FieldType::Integer, 0},
                                           {"VGNR", dbf::FieldType::Integer, 0},
                                           {"SCHREIBEND", dbf::FieldType::Integer, 0},
                                           {"KENNUNG", dbf::FieldType::Character, 50},
                                           {"CHANGED", dbf::FieldType::Character, 15},
                                           {"KENNUNGO", dbf::FieldType::Character, 50}})
        t.addFieldDef(name, type, size);
    t.createTable();
    t.addIndex("idxKennung", "KENNUNG");
    t.open();
    for (int i = 0; i < kRows; ++i) {
        t.append();
        t.fieldByName("TID").setInteger(5 + i % 2);
        t.fieldByName("FELDIXID").setInteger(i + 1);
        t.fieldByName("SCHREIBEND").setInteger(i % 3);
        t.fieldByName("KENNUNG").setString(Kennung(i));
        t.fieldByName("CHANGED").setString("IGNORED");
        t.fieldByName("KENNUNGO").setString(Kennung(i));
        t.post();
    }
    t.close();
    t.addIndex("idxTID", "TID");
    t.addIndex("idxSchreib", "SCHREIBEND");
    t.addIndex("idxOKenn", "KENNUNGO");
    for (const char* name : {"TA_LIST.DBF", "TA_LIST.MDX"}) {
        const auto& bytes = memory->data(std::string("/list/") + name);
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

// Levels of idxKennung's tree, root to leaf.
int Depth(const std::string& mdxPath) {
    dbf::mdx::MdxFile mdx(dbf::io::standardFileSystem()->open(mdxPath, dbf::io::OpenMode::Read));
    dbf::mdx::Cursor c;
    mdx.first(mdx.findTag("idxKennung"), c);
    return int(c.path.size());
}

// The tables the system's code opens go through a counting layer while this lives.
struct CountedFiles {
    std::shared_ptr<dbf::io::CountingFileSystem> fs =
        std::make_shared<dbf::io::CountingFileSystem>(dbf::io::standardFileSystem());
    CountedFiles() { dbf::io::setDefaultFileSystem(fs); }
    ~CountedFiles() { dbf::io::setDefaultFileSystem(nullptr); }
};

TEST(HookSystemCalls, ReadOnlyHooksMakeAtMostSixteenOnAHundredThousandRows) {
    testsupport::Session session;
    BuildList(session.ProjectDir());
    sim::Project& project = sim::TheProject();
    for (int i : {30001, 60000})
        project.objects[i + 1] = sim::GeoObject{i + 1, Kennung(i), 1, 6, 0, 0, {}};
    const int depth = Depth(session.File("TA_LIST.MDX"));
    EXPECT_GE(depth, 5) << "a list of this size kept up row by row is five levels deep";

    struct Case {
        const char* what;
        std::function<int32_t()> call;
        int32_t expected;
        bool listed;
    };
    const Case cases[] = {
        {"CheckStatus, write-locked object", [] { return int32_t(CheckStatus(0, 30002, 0)); }, -1, true},
        {"CheckStatus, read-locked object (refused)", [] { return int32_t(CheckStatus(0, 60001, 0)); }, 0, true},
        {"GetObjectStatus", [] { return GetObjectStatus(Kennung(77777)); }, 2, true},
        {"GetTIDOfObject", [] { return GetTIDOfObject(Kennung(77777)); }, 6, true},
        {"GetObjectStatus, identifier not listed", [] { return GetObjectStatus("ABC-1"); }, -1, false},
    };
    session.answers.push_back("ok");  // the refusal's warning
    CountedFiles counted;
    for (const auto& c : cases) {
        counted.fs->reset();
        EXPECT_EQ(c.call(), c.expected) << c.what;
        const dbf::io::FileCalls& calls = counted.fs->calls();
        EXPECT_LE(calls.systemCalls(), 16) << c.what;
        EXPECT_EQ(calls.stats + calls.misses + calls.lists, 0) << c.what << ": names asked for besides the opens";
        EXPECT_EQ(calls.opens, 2) << c.what;
        EXPECT_EQ(calls.closes, 2) << c.what;
        EXPECT_EQ(calls.writes + calls.truncates + calls.flushes + calls.removes, 0) << c.what;
        // The table's header, the index's header with the block behind it, where the header
        // of idxKennung (the first tag) lies, a page per level, the row.
        EXPECT_EQ(calls.reads, 2 + depth + (c.listed ? 1 : 0)) << c.what;
    }
}

}  // namespace
