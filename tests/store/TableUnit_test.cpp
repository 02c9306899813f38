// Every change of the local tables is all or nothing: an operation stopped at any write, or
// failing at any write, leaves the old or the new tables, sound, once the project is loaded.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <ostream>
#include <set>

#include "exchange/ImportFuncs.h"
#include "host/HostActions.h"
#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "platform/dbf/Faults.h"
#include "plugin/Globals.h"
#include "plugin/Guard.h"
#include "plugin/VE1TransAction.h"
#include "store/TableUnit.h"
#include "support/Child.h"
#include "support/Session.h"

namespace {

namespace fs = std::filesystem;
namespace faults = dbf::io::faults;
using testsupport::Session;

const char* const kTables[] = {"TA_LIST.DBF", "TA_KL.DBF", "TA_ID.DBF"};
const char* const kToldRollback = "wurde beim letzten Mal unterbrochen";

// The rows of each table in file order, every field as text; nothing for a missing table.
using State = std::map<std::string, std::optional<std::vector<sim::Row>>>;

State Read(const Session& s) {
    State state;
    for (const char* name : kTables)
        state[name] = sim::TableExists(s.ProjectDir(), name) ? std::optional(sim::ReadRows(s.ProjectDir(), name))
                                                             : std::nullopt;
    return state;
}

// Every identifier the tables know: in the list (in any state) or in the pool.
std::set<std::string> Known(const State& state) {
    std::set<std::string> out;
    for (const char* name : {"TA_LIST.DBF", "TA_KL.DBF"})
        if (state.at(name))
            for (const auto& row : *state.at(name)) out.insert(row.at("KENNUNG"));
    return out;
}

// What must hold whatever happened: every table sound, no identifier both in use and in the
// pool, no list or pool row and no transaction twice.
std::vector<std::string> Broken(const Session& s) {
    std::vector<std::string> out;
    for (const char* name : kTables) {
        dbf::Table t(s.ProjectDir(), name);
        if (!t.exists()) continue;
        try {
            t.open();
            for (const auto& problem : t.checkIndexes()) out.push_back(std::string(name) + ": " + problem);
        } catch (const std::exception& e) {
            out.push_back(std::string(name) + ": " + e.what());
        }
    }
    if (!out.empty()) return out;
    const State state = Read(s);
    auto twice = [&](const char* table, const char* field, const char* what) {
        std::set<std::string> seen;
        if (state.at(table))
            for (const auto& row : *state.at(table))
                if (!seen.insert(row.at(field)).second) out.push_back(std::string(what) + " twice: " + row.at(field));
    };
    twice("TA_LIST.DBF", "KENNUNG", "list row");
    twice("TA_KL.DBF", "KENNUNG", "pool row");
    twice("TA_ID.DBF", "TID", "transaction");
    if (state.at("TA_LIST.DBF") && state.at("TA_KL.DBF")) {
        std::set<std::string> pooled;
        for (const auto& row : *state.at("TA_KL.DBF")) pooled.insert(row.at("KENNUNG"));
        for (const auto& row : *state.at("TA_LIST.DBF"))
            if (row.at("SCHREIBEND") != "3" && pooled.count(row.at("KENNUNG")))
                out.push_back("in use and in the pool: " + row.at("KENNUNG"));
    }
    return out;
}

// ---- the project and the operations ----

void Object(int32_t id, const std::string& kennung) {
    sim::Project& p = sim::TheProject();
    p.objects[id] = sim::GeoObject{id, kennung, 1, 1, 3500000.0 + id, 5800000.0};
    p.ReserveIds(id + 1);
}

void Host(Session&) {
    sim::TheProject().classes[1] = "NSG";
    Object(11, "NSG-0011");
    Object(12, "NSG-0012");
    Object(13, "NSG-0013");
    Object(14, "NSG-0014");
}

void ListRow(const Session& s, int id, int schreibend, const std::string& kennung, const char* changed) {
    sim::SeedRow(s.ProjectDir(), "TA_LIST.DBF",
                 {{"TID", "4"}, {"FELDIXID", std::to_string(id)}, {"VGNR", "1"}, {"SCHREIBEND", std::to_string(schreibend)},
                  {"KENNUNG", kennung}, {"CHANGED", changed}, {"KENNUNGO", kennung}});
}

// Transaction 4 with a read-locked, a write-locked, a new and a changed object, enough
// further rows for more than one index page, and four identifiers in its pool.
void ProjectWithData(Session& s) {
    sim::SeedRow(s.ProjectDir(), "TA_ID.DBF", {{"TID", "4"}, {"NAME", "Moorwiesen"}, {"OWNER", "Kreis"}});
    ListRow(s, 11, 0, "NSG-0011", "IGNORED");
    ListRow(s, 12, 1, "NSG-0012", "IGNORED");
    ListRow(s, 13, 2, "NSG-0013", "NEW");
    ListRow(s, 14, 1, "NSG-0014", "UPDATE");
    for (int i = 0; i < 24; ++i) ListRow(s, 100 + i, 0, "NSG-1" + std::to_string(100 + i), "IGNORED");
    for (const char* k : {"NSG-0701", "NSG-0702", "NSG-0703", "DE-0701"})
        sim::SeedRow(s.ProjectDir(), "TA_KL.DBF", {{"TID", "4"}, {"KENNUNG", k}});
}

std::string CheckoutDir(const Session& s) { return testsupport::TempDir::ToWin((s.dir / "Austausch").string()) + "\\"; }

// The checkout of transaction 9 beside the project: NSG-0012 write-locked, twelve objects
// of its own, four reserved identifiers (and one the project's pool has already).
void Checkout(Session& s) {
    const std::string dir = (s.dir / "Austausch").string();
    fs::create_directories(dir);
    sim::SeedRow(dir, "S9t.dbf", {{"KENNUNG", "NSG-0012"}, {"TID", "9"}, {"FELDIXID", "12"}, {"VGNR", "3"}, {"SCHREIBEND", "1"}});
    for (int i = 1; i <= 12; ++i)
        sim::SeedRow(dir, "S9t.dbf",
                     {{"KENNUNG", "NSG-20" + std::to_string(10 + i)}, {"TID", "9"}, {"FELDIXID", std::to_string(200 + i)},
                      {"VGNR", "3"}, {"SCHREIBEND", std::to_string(i % 2)}});
    for (const char* k : {"NSG-2101", "NSG-2102", "NSG-2103", "NSG-2104", "NSG-0701"})
        sim::SeedRow(dir, "S9kl.dbf", {{"KENNUNG", k}, {"TID", "9"}});
    std::ofstream(fs::path(dir) / "S9.tid", std::ios::binary) << "[Transaktionsdaten]\r\nTransaktion=9\r\nName=Seeufer\r\nOwner=Kreis\r\n";
}

void WithCheckout(Session& s) {
    ProjectWithData(s);
    Checkout(s);
}

void Import(Session& s) {
    s.answers = {"file " + CheckoutDir(s) + "S9t.dbf"};
    VE1CustomImport(0, 0, 0);
}

struct Operation {
    const char* name;
    bool everywhere;  // swept also where a child process is a start of the whole program
    void (*files)(Session&);
    void (*host)(Session&);
    void (*run)(Session&);
};

// Named in test listings by its name, not by its bytes.
void PrintTo(const Operation& op, std::ostream* os) { *os << op.name; }

const Operation kOperations[] = {
    {"new_object_from_the_pool", false, ProjectWithData,
     [](Session& s) {
         Host(s);
         Object(20, "NSG-0701");
         TargetTID = 4;
     },
     [](Session&) { InsertInTransActionList(0, 20, 0); }},
    {"deletion_of_a_write_locked_object", true, ProjectWithData, Host, [](Session&) { sim::DeleteObject(12); }},
    {"identifier_switch", false, ProjectWithData,
     [](Session& s) {
         Host(s);
         sim::TheProject().selection = {12};
         sim::TheProject().activeObject = 12;
     },
     [](Session& s) {
         s.answers = {"select lbKennungen 2", "click BtnOK"};
         SwitchKennung(0, 0, 0);
     }},
    {"assignment", false, ProjectWithData,
     [](Session& s) {
         Host(s);
         Object(30, "NSG-0703");
         Object(31, "DE-0701");
         sim::TheProject().selection = {30, 31};
     },
     [](Session& s) {
         s.answers = {"yes", "select lbTID 0", "click BtnOK"};
         AssignToTransaction(0, 0, 0);
     }},
    {"import_into_a_project_with_data", false, WithCheckout, Host, Import},
    {"first_import_into_an_empty_project", false, Checkout, Host, Import},
    // Not a hook of its own: its errors reach the user as the hooks' do.
    {"recording_a_transaction", false, WithCheckout, Host,
     [](Session& s) { Guarded([&] { ImportTransActionNumbers("S9.tid", CheckoutDir(s)); return -1; }); }},
};

std::vector<Operation> Swept() {
    std::vector<Operation> out;
    for (const auto& op : kOperations)
        if (op.everywhere || testsupport::kCheapChild) out.push_back(op);
    return out;
}

// The tables before and after the operation, and how many write-type calls it makes.
struct Reference {
    State before, after;
    int64_t calls = 0;
};

Reference Measure(const Operation& op) {
    Reference r;
    Session s;
    op.files(s);
    op.host(s);
    r.before = Read(s);
    faults::disarm();
    op.run(s);
    r.calls = faults::calls();
    r.after = Read(s);
    return r;
}

void Repeat(const Operation& op, Session& s) {
    s.events.clear();
    op.host(s);
    op.run(s);
}

class Sweep : public ::testing::TestWithParam<Operation> {};

TEST_P(Sweep, AStopAtAnyWriteLeavesTheOldOrTheNewTablesAfterTheNextLoad) {
    const Operation op = GetParam();
    const testsupport::ChildWork child = [&op](const fs::path& dir, int64_t n) {
        Session s(dir);
        op.files(s);
        op.host(s);
        faults::arm(n, faults::Action::Stop);
        try {
            op.run(s);
        } catch (...) {
        }
        std::_Exit(0);
    };
    testsupport::ChildTurn(child);
    const Reference ref = Measure(op);
    ASSERT_NE(ref.before, ref.after);
    ASSERT_GT(ref.calls, 2);
    int told = 0, old = 0;
    for (int64_t n = 1; n <= ref.calls; ++n) {
        SCOPED_TRACE("stopped at write-type call " + std::to_string(n) + " of " + std::to_string(ref.calls));
        testsupport::TempDir made;
        ASSERT_EQ(testsupport::RunChild(made.path(), n, child), faults::kStopped);
        Session s(made.path());  // the host starts again and loads the project
        op.host(s);
        AfterLoadProject(0, 0, 0);
        int toldNow = 0;
        for (const auto& m : s.Messages()) toldNow += m.find(kToldRollback) != std::string::npos;
        EXPECT_LE(toldNow, 1);
        told += toldNow;
        EXPECT_FALSE(fs::exists(s.dir / kTableJournal));
        EXPECT_EQ(Broken(s), std::vector<std::string>());
        const State now = Read(s);
        EXPECT_TRUE(now == ref.before || now == ref.after);
        for (const auto& k : Known(ref.before)) EXPECT_TRUE(Known(now).count(k)) << k << " lost";
        if (now == ref.before) {
            // The user repeats what was interrupted.
            ++old;
            Repeat(op, s);
            EXPECT_EQ(Read(s), ref.after);
        }
    }
    EXPECT_GT(told, 0);
    std::cout << "[ sweep    ] " << op.name << ": stopped at each of " << ref.calls << " write-type calls; "
              << old << " times the old tables, " << ref.calls - old << " times the new ones, rollback told "
              << told << " times" << std::endl;
}

TEST_P(Sweep, AWriteErrorAnywhereLeavesTheTablesUnchangedAndSaysSo) {
    const Operation op = GetParam();
    const Reference ref = Measure(op);
    for (int64_t n = 1; n <= ref.calls; ++n) {
        const int error = n % 2 ? EIO : ENOSPC;
        SCOPED_TRACE("error " + std::to_string(error) + " at write-type call " + std::to_string(n));
        Session s;
        op.files(s);
        op.host(s);
        faults::arm(n, faults::Action::Fail, error);
        op.run(s);
        const int64_t reached = faults::calls();
        faults::disarm();
        ASSERT_GE(reached, n);
        EXPECT_EQ(Read(s), ref.before);
        EXPECT_FALSE(fs::exists(s.dir / kTableJournal));
        int said = 0;
        for (const auto& m : s.Messages())
            said += (m.find("nicht ausgeführt") != std::string::npos || m.find("nicht geändert") != std::string::npos ||
                     m.find("unverändert") != std::string::npos) &&
                    m.find(error == ENOSPC ? "kein Platz" : "Ein-/Ausgabefehler") != std::string::npos;
        EXPECT_EQ(said, 1);
        EXPECT_EQ(Broken(s), std::vector<std::string>());
        // The next operations run on: the same again succeeds.
        Repeat(op, s);
        EXPECT_EQ(Read(s), ref.after);
    }
    std::cout << "[ sweep    ] " << op.name << ": failed at each of " << ref.calls << " write-type calls" << std::endl;
}

// The read-only hooks, and an edit that changes nothing, neither write nor make a journal;
// an edit that changes a row does.
TEST(TableUnits, ReadOnlyHooksMakeNoWriteTypeCall) {
    Session s;
    ProjectWithData(s);
    Host(s);
    faults::disarm();
    s.answers = {"ok"};
    EXPECT_EQ(static_cast<int16_t>(CheckStatus(0, 11, 0)), 0);  // read-locked: refused, with a warning
    EXPECT_EQ(static_cast<int16_t>(CheckStatus(0, 12, 0)), -1);
    sim::TheProject().activeObject = 14;  // "UPDATE" already
    AfterEditObject(0, 0, 0);
    EXPECT_EQ(faults::calls(), 0);
    EXPECT_FALSE(fs::exists(s.dir / kTableJournal));
    sim::TheProject().activeObject = 12;
    AfterEditObject(0, 0, 0);
    EXPECT_GT(faults::calls(), 0);
    EXPECT_FALSE(fs::exists(s.dir / kTableJournal));
}

INSTANTIATE_TEST_SUITE_P(Operations, Sweep, ::testing::ValuesIn(Swept()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
