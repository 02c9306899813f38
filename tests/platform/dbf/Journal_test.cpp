// The rollback journal: changes held back until the commit, rolled back whole, and after a
// crash at any write (process killed, or power cut) recovered to the old or the new state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <ostream>

#include "CrashFileSystem.h"
#include "DbfTestSupport.h"
#include "platform/dbf/Faults.h"
#include "platform/dbf/Journal.h"

namespace {

using dbf::journal::Recovery;
using dbf::journal::Unit;
using dbftest::CrashFileSystem;

const std::string kDir = "/p";
const std::string kJournal = "T.JNL";
const std::vector<std::string> kTables = {"A.DBF", "B.DBF", "C.DBF"};

// Every table's rows in file order, each as its fields joined; "-" for a missing table.
using State = std::map<std::string, std::vector<std::string>>;

State Read(const std::shared_ptr<dbf::io::FileSystem>& fs, const std::string& dir = kDir) {
    State s;
    for (const auto& name : kTables) {
        dbf::Table t(dir, name);
        t.setFileSystem(fs);
        if (!t.exists()) {
            s[name] = {"-"};
            continue;
        }
        t.open();
        for (const auto& problem : t.checkIndexes()) s[name].push_back("damaged: " + problem);
        for (t.first(); !t.eof(); t.next())
            s[name].push_back(t.fieldByName("TID").asString() + "|" + t.fieldByName("KENNUNG").asString() + "|" +
                              t.fieldByName("CHANGED").asString());
    }
    return s;
}

std::unique_ptr<dbf::Table> Open(const std::shared_ptr<dbf::io::FileSystem>& fs, const std::string& name) {
    auto t = std::make_unique<dbf::Table>(kDir, name);
    t->setFileSystem(fs);
    return t;
}

// One row appended to a table of kDir.
void Append(const std::shared_ptr<dbf::io::FileSystem>& fs, const char* name, int32_t tid, const std::string& kennung) {
    auto t = Open(fs, name);
    t->open();
    dbftest::appendRow(*t, tid, kennung);
}

// Two tables with rows, as a project holds them before a change.
void Prepare(const std::shared_ptr<dbf::io::FileSystem>& fs, const std::string& dir = kDir) {
    for (const char* name : {"A.DBF", "B.DBF"}) {
        dbf::Table t(dir, name);
        t.setFileSystem(fs);
        dbftest::createList(t);
        t.open();
        for (int i = 0; i < 40; ++i) dbftest::appendRow(t, i % 3, std::string(name) + "-" + std::to_string(i), "IGNORED");
    }
}

// A change of both tables: an indexed field edited, rows deleted and appended.
void Change(const std::shared_ptr<dbf::io::FileSystem>& fs, const std::string& dir = kDir) {
    Unit unit(fs, dir, kJournal, kTables);
    {
        dbf::Table a(dir, "A.DBF");
        a.setFileSystem(fs);
        a.setIndexName("idxKennung");
        a.open();
        ASSERT_TRUE(a.findKey(std::string("A.DBF-7")));
        a.edit();
        a.fieldByName("KENNUNG").setString("A.DBF-7x");
        a.fieldByName("CHANGED").setString("UPDATE");
        a.post();
        ASSERT_TRUE(a.findKey(std::string("A.DBF-30")));
        a.deleteRecord();
        for (int i = 0; i < 3; ++i) dbftest::appendRow(a, 9, "A.DBF-new" + std::to_string(i));
        dbf::Table b(dir, "B.DBF");
        b.setFileSystem(fs);
        b.setIndexName("idxTID");
        b.open();
        ASSERT_TRUE(b.findKey(2));
        b.deleteRecord();
        dbftest::appendRow(b, 2, "B.DBF-new");
    }
    unit.commit();
}

// The first table of a directory made and filled, an existing one changed.
void Create(const std::shared_ptr<dbf::io::FileSystem>& fs, const std::string& dir = kDir) {
    Unit unit(fs, dir, kJournal, kTables);
    {
        dbf::Table c(dir, "C.DBF");
        c.setFileSystem(fs);
        dbftest::createList(c);
        c.open();
        for (int i = 0; i < 5; ++i) dbftest::appendRow(c, 4, "C-" + std::to_string(i));
        dbf::Table b(dir, "B.DBF");
        b.setFileSystem(fs);
        b.open();
        b.emptyTable();
        dbftest::appendRow(b, 4, "B-only");
    }
    unit.commit();
}

std::shared_ptr<dbf::io::MemoryFileSystem> Restored(const CrashFileSystem::Image& image) {
    auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
    fs->restore(image);
    return fs;
}

struct Operation {
    const char* name;
    void (*run)(const std::shared_ptr<dbf::io::FileSystem>&, const std::string&);
    uint64_t holdBack;  // small: the unit writes in several segments
};

// Named in test listings by its name, not by its bytes.
void PrintTo(const Operation& op, std::ostream* os) { *os << op.name; }

class JournalCrash : public ::testing::TestWithParam<Operation> {
protected:
    void TearDown() override { dbf::journal::setHoldBack(8u << 20); }
};

// A crash before any write-type call of the operation leaves, after recovery, the old or the
// new state, every index sound, and no journal.
TEST_P(JournalCrash, EveryCrashPointRecoversToTheOldOrTheNewState) {
    const Operation op = GetParam();
    dbf::journal::setHoldBack(op.holdBack);
    auto plain = std::make_shared<CrashFileSystem>();
    Prepare(plain);
    const State before = Read(plain);
    const int64_t setup = plain->calls;
    op.run(plain, kDir);
    const State after = Read(plain);
    ASSERT_NE(before, after);
    const int64_t total = plain->calls - setup;
    ASSERT_GT(total, 4);
    int rolledBack = 0;
    // The point after the last call stands for a crash right after the operation.
    for (int64_t n = 1; n <= total + 1; ++n) {
        SCOPED_TRACE("crash before write-type call " + std::to_string(n));
        auto fs = std::make_shared<CrashFileSystem>();
        Prepare(fs);
        fs->settle();
        const int64_t base = fs->calls;
        // Killed; power cut; power cut where the journal lost what was not synced and the
        // tables kept all; and the other way round.
        const std::string journal = kDir + "/" + kJournal;
        std::vector<CrashFileSystem::Image> images;
        std::string what;
        fs->before = [&](int64_t call, const std::string& w) {
            if (call != base + n) return;
            images = {fs->killImage(), fs->powerImage(),
                      fs->mixedImage([&](const std::string& p) { return p == journal; }),
                      fs->mixedImage([&](const std::string& p) { return p != journal; })};
            what = w;
        };
        op.run(fs, kDir);
        if (n == total + 1) {
            fs->before(base + n, "the end");
            ASSERT_EQ(fs->calls, base + total);
        }
        ASSERT_FALSE(what.empty());
        for (size_t i = 0; i < images.size(); ++i) {
            auto disk = Restored(images[i]);
            const Recovery r = dbf::journal::recover(*disk, kDir, kJournal);
            rolledBack += r == Recovery::RolledBack;
            const State s = Read(disk);
            EXPECT_TRUE(s == before || s == after) << "crash (image " << i << ") at " << what;
            EXPECT_FALSE(disk->exists(journal));
        }
    }
    EXPECT_GT(rolledBack, 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, JournalCrash,
                         ::testing::Values(Operation{"change", &Change, 8u << 20}, Operation{"create", &Create, 8u << 20},
                                           Operation{"change_in_segments", &Change, 1024},
                                           Operation{"create_in_segments", &Create, 2048}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Journal, ChangesAreHeldBackUntilTheCommitAndLeaveNoJournal) {
    auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
    Prepare(fs);
    const auto before = fs->snapshot();
    const State old = Read(fs);
    {
        Unit unit(fs, kDir, kJournal, kTables);
        Append(fs, "A.DBF", 5, "held");
        EXPECT_EQ(fs->snapshot(), before);  // nothing on the disk yet
        auto again = Open(fs, "A.DBF");  // but every reader in the unit sees the change
        again->open();
        EXPECT_EQ(dbftest::walk(*again).back(), "held");
        again->close();
        unit.commit();
    }
    State now = Read(fs);
    EXPECT_EQ(now["A.DBF"].back(), "5|held|NEW");
    EXPECT_EQ(now["A.DBF"].size(), old.at("A.DBF").size() + 1);
    EXPECT_FALSE(fs->exists(kDir + "/" + kJournal));
}

TEST(Journal, ARollbackLeavesEveryByteAsItWasAndRemovesTablesItMade) {
    for (uint64_t holdBack : {uint64_t(8u << 20), uint64_t(512)}) {
        SCOPED_TRACE(holdBack);
        dbf::journal::setHoldBack(holdBack);
        auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
        Prepare(fs);
        const auto before = fs->snapshot();
        {
            Unit unit(fs, kDir, kJournal, kTables);
            auto c_ = Open(fs, "C.DBF");
            dbf::Table& c = *c_;
            dbftest::createList(c);
            c.open();
            dbftest::appendRow(c, 1, "C-1");
            auto a_ = Open(fs, "A.DBF");
            dbf::Table& a = *a_;
            a.open();
            a.emptyTable();
            dbftest::appendRow(a, 1, "A-only");
        }  // no commit
        EXPECT_EQ(fs->snapshot(), before);
    }
    dbf::journal::setHoldBack(8u << 20);
}

TEST(Journal, AFailedJoinedUnitUndoesTheWhole) {
    auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
    Prepare(fs);
    const auto before = fs->snapshot();
    Unit outer(fs, kDir, kJournal, kTables);
    Append(fs, "A.DBF", 1, "outer");
    {
        Unit inner(fs, kDir, kJournal, {"A.DBF"});
        EXPECT_TRUE(inner.joined());
        Append(fs, "B.DBF", 1, "inner");
        EXPECT_TRUE(inner.rollBack());  // its step failed
    }
    // Nothing the outer unit writes afterwards is taken, and its commit undoes everything.
    auto a_ = Open(fs, "A.DBF");
    dbf::Table& a = *a_;
    a.open();
    EXPECT_NE(dbftest::errorOf([&] { dbftest::appendRow(a, 1, "after"); }), "no error");
    a.close();
    EXPECT_NE(dbftest::errorOf([&] { outer.commit(); }), "no error");
    EXPECT_EQ(fs->snapshot(), before);
}

// What a joined unit changes waits for the outer unit, whether the joined one committed or was
// left without an error (an early return): taken with the outer commit, undone without it.
TEST(Journal, AJoinedUnitsChangesWaitForTheOuterOne) {
    for (const bool innerCommits : {true, false})
        for (const bool outerCommits : {true, false}) {
            SCOPED_TRACE(std::to_string(innerCommits) + std::to_string(outerCommits));
            auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
            Prepare(fs);
            const auto before = fs->snapshot();
            {
                Unit outer(fs, kDir, kJournal, kTables);
                {
                    Unit inner(fs, kDir, kJournal, kTables);
                    Append(fs, "A.DBF", 1, "inner");
                    if (innerCommits) inner.commit();
                }
                EXPECT_EQ(fs->snapshot(), before);
                if (outerCommits) outer.commit();
            }
            if (outerCommits) EXPECT_EQ(Read(fs)["A.DBF"].back(), "1|inner|NEW");
            else EXPECT_EQ(fs->snapshot(), before);
        }
}

// The files when the journal of Change is about to be removed: the tables hold the new state,
// the journal the old one.
CrashFileSystem::Image AtRemoval(State& before, State& after) {
    auto fs = std::make_shared<CrashFileSystem>();
    Prepare(fs);
    before = Read(fs);
    CrashFileSystem::Image image;
    fs->before = [&](int64_t, const std::string& what) {
        if (what.rfind("discard", 0) == 0) image = fs->killImage();
    };
    Change(fs, kDir);
    after = Read(fs);
    return image;
}

// The journal at the moment it is to be removed: the tables hold the new state, the journal
// the old one. Cut at any length or with a byte changed, it is played back not at all.
TEST(Journal, ATornJournalIsNeverPlayedBack) {
    State before, after;
    CrashFileSystem::Image atRemoval = AtRemoval(before, after);
    const std::string journal = kDir + "/" + kJournal;
    ASSERT_TRUE(atRemoval.count(journal));
    const std::vector<uint8_t> whole = atRemoval[journal];
    {
        auto disk = Restored(atRemoval);
        EXPECT_EQ(dbf::journal::recover(*disk, kDir, kJournal), Recovery::RolledBack);
        EXPECT_EQ(Read(disk), before);
    }
    for (size_t cut = 0; cut < whole.size(); cut += (cut < 64 ? 1 : 37)) {
        SCOPED_TRACE(cut);
        auto image = atRemoval;
        image[journal].resize(cut);
        auto disk = Restored(image);
        EXPECT_EQ(dbf::journal::recover(*disk, kDir, kJournal), Recovery::Nothing);
        EXPECT_EQ(Read(disk), after);
        EXPECT_FALSE(disk->exists(journal));
    }
    for (size_t at : {size_t(3), size_t(17), size_t(30), whole.size() / 2, whole.size() - 1}) {
        SCOPED_TRACE(at);
        auto image = atRemoval;
        image[journal][at] ^= 0x20;
        auto disk = Restored(image);
        EXPECT_EQ(dbf::journal::recover(*disk, kDir, kJournal), Recovery::Nothing);
        EXPECT_EQ(Read(disk), after);
    }
}

// A journal left by a writer that is gone is played back by the next unit that needs the
// journal; that unit's own change is not made.
TEST(Journal, TheNextUnitPlaysBackALeftJournalAndMakesNoChange) {
    State before, after;
    auto disk = Restored(AtRemoval(before, after));
    const std::string text = dbftest::errorOf([&] {
        Unit unit(disk, kDir, kJournal, kTables);
        Append(disk, "B.DBF", 7, "late");
        unit.commit();
    });
    EXPECT_NE(text.find("unterbrochene"), std::string::npos) << text;
    EXPECT_EQ(Read(disk), before);
    EXPECT_FALSE(disk->exists(kDir + "/" + kJournal));
}

// Real files: a journal whose lock another holder has is neither played back nor removed,
// and a unit then refuses to change the tables.
TEST(Journal, AJournalInUseIsLeftAlone) {
    dbftest::TempDir dir;
    auto fs = dbf::io::standardFileSystem();
    const std::string journal = dir.shown(kJournal);
    auto held = fs->lockFile(journal, true);
    ASSERT_TRUE(held);
    const std::vector<uint8_t> junk(100, 0x55);
    held->write(0, junk.data(), junk.size());
    EXPECT_EQ(fs->lockFile(journal, false), nullptr);
    EXPECT_EQ(dbf::journal::recover(*fs, dir.windowsDir(), kJournal), Recovery::InUse);
    EXPECT_TRUE(fs->exists(journal));
    Prepare(fs, dir.windowsDir());
    const std::string text = dbftest::errorOf([&] {
        Unit unit(fs, dir.windowsDir(), kJournal, kTables);
        dbf::Table a(dir.windowsDir(), "A.DBF");
        a.open();
        dbftest::appendRow(a, 1, "x");
        a.close();
        unit.commit();
    });
    EXPECT_NE(text.find("gesperrt"), std::string::npos) << text;
    held.reset();
    // Its holder gone, nothing whole in it: removed, nothing played back.
    EXPECT_EQ(dbf::journal::recover(*fs, dir.windowsDir(), kJournal), Recovery::Nothing);
    EXPECT_FALSE(fs->exists(journal));
    EXPECT_EQ(Read(fs, dir.windowsDir())["A.DBF"].size(), 40u);
}

// Real files: whichever write-type call fails (EIO, ENOSPC), the commit reports it and the
// tables are as before, with no journal left.
TEST(Journal, AWriteErrorAnywhereRollsTheUnitBack) {
    for (int error : {EIO, ENOSPC}) {
        for (int64_t n = 1;; ++n) {
            SCOPED_TRACE("error " + std::to_string(error) + " at write-type call " + std::to_string(n));
            dbftest::TempDir dir;
            auto fs = dbf::io::standardFileSystem();
            Prepare(fs, dir.windowsDir());
            const State before = Read(fs, dir.windowsDir());
            dbf::io::faults::arm(n, dbf::io::faults::Action::Fail, error);
            const std::string text = dbftest::errorOf([&] { Create(fs, dir.windowsDir()); });
            const int64_t calls = dbf::io::faults::calls();
            dbf::io::faults::disarm();
            if (calls < n) {
                EXPECT_EQ(text, "no error");
                EXPECT_GT(n, 8);
                break;
            }
            EXPECT_NE(text.find(error == ENOSPC ? "kein Platz" : "Ein-/Ausgabefehler"), std::string::npos) << text;
            EXPECT_EQ(Read(fs, dir.windowsDir()), before);
            EXPECT_FALSE(fs->exists(dir.shown(kJournal)));
        }
    }
}

}  // namespace
