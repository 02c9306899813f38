// Cost of the hooks that touch the transaction list on every edit, creation and deletion,
// as a ratio to the engine's own open + lookup + close of the same list in the same run and to
// the fewest system calls that do the same lookup; the write hooks also as a ratio to the same
// one-row change by SQLite (rollback journal, synchronous=FULL) on a table with four indexes in
// the same directory.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "host/Plugin.h"
#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "platform/ui/Channel.h"
#include "plugin/Globals.h"
#include "plugin/VE1TransAction.h"
#include "store/TransActTools.h"
#include "util/Tools.h"

namespace {

constexpr int kRows = 100000;

std::string Kennung(int i) { return "NSG-" + std::to_string(100000 + i); }

// The transaction list as an SQLite table with the same four indexes, in the project
// directory, written as SQLite writes durably: rollback journal, synchronous=FULL.
class SqliteList {
public:
    explicit SqliteList(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite: " + path);
        Exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
             "CREATE TABLE ta_list (tid INTEGER, feldixid INTEGER, vgnr INTEGER, schreibend INTEGER,"
             " kennung TEXT, changed TEXT, kennungo TEXT);"
             "CREATE INDEX idxKennung ON ta_list (kennung); CREATE INDEX idxTID ON ta_list (tid);"
             "CREATE INDEX idxSchreib ON ta_list (schreibend); CREATE INDEX idxOKenn ON ta_list (kennungo);");
        update_ = Prepare("UPDATE ta_list SET changed = ?2 WHERE kennung = ?1");
        delete_ = Prepare("DELETE FROM ta_list WHERE kennung = ?1");
        insert_ = Prepare("INSERT INTO ta_list VALUES (5, ?2, -1, 2, ?1, 'NEW', '')");
    }
    ~SqliteList() {
        for (sqlite3_stmt* st : {update_, delete_, insert_}) sqlite3_finalize(st);
        sqlite3_close(db_);
    }
    void Fill(int rows, std::string (*kennung)(int)) {
        Exec("BEGIN");
        sqlite3_stmt* st = Prepare("INSERT INTO ta_list VALUES (5, ?1, ?2, ?3, ?4, 'IGNORED', ?4)");
        for (int i = 0; i < rows; ++i) {
            const std::string k = kennung(i);
            sqlite3_bind_int(st, 1, i + 1);
            sqlite3_bind_int(st, 2, i);
            sqlite3_bind_int(st, 3, i % 3);
            sqlite3_bind_text(st, 4, k.c_str(), -1, SQLITE_TRANSIENT);
            Step(st);
        }
        sqlite3_finalize(st);
        Exec("COMMIT");
    }
    // One statement, one transaction: the change of a non-indexed field, the removal of a
    // row from all four indexes, and its insertion into them.
    void Update(const std::string& k) {
        // A value no row has yet, so that every call changes its row.
        const std::string value = "UPDATE" + std::to_string(++updates_);
        sqlite3_bind_text(update_, 2, value.c_str(), -1, SQLITE_TRANSIENT);
        Run(update_, k, 0);
    }
    void Delete(const std::string& k) { Run(delete_, k, 0); }
    void Insert(const std::string& k, int id) { Run(insert_, k, id); }

private:
    void Exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_));
        return st;
    }
    void Step(sqlite3_stmt* st) {
        if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_));
        sqlite3_reset(st);
    }
    void Run(sqlite3_stmt* st, const std::string& k, int id) {
        sqlite3_bind_text(st, 1, k.c_str(), -1, SQLITE_TRANSIENT);
        if (st == insert_) sqlite3_bind_int(st, 2, id);
        Step(st);
    }
    sqlite3* db_ = nullptr;
    sqlite3_stmt *update_ = nullptr, *delete_ = nullptr, *insert_ = nullptr;
    int64_t updates_ = 0;
};

// A project with kRows objects of one transaction: every third read-locked, every third
// write-locked, every third new; the pool holds the identifiers of the new ones' partners.
struct Fixture {
    std::filesystem::path dir;
    std::unique_ptr<SqliteList> sqlite;

    Fixture() {
        dir = std::filesystem::temp_directory_path() / ("ve1-hooks-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
        sim::ResetProject();
        sim::Project& p = sim::TheProject();
        p.projectDir = dir.string();
        p.classes[1] = "NSG";
        sim::SeedTable(p.projectDir, "TA_KL.DBF");
        sim::SeedTable(p.projectDir, "TA_LIST.DBF");
        {
            dbf::Table list(p.projectDir, "TA_LIST.DBF");
            list.open();
            for (int i = 0; i < kRows; ++i) {
                const std::string k = Kennung(i);
                p.objects[i + 1] = sim::GeoObject{i + 1, k, 1, 6, 0, 0};
                list.append();
                list.fieldByName("TID").setInteger(5);
                list.fieldByName("FELDIXID").setInteger(i + 1);
                list.fieldByName("VGNR").setInteger(i);
                list.fieldByName("SCHREIBEND").setInteger(i % 3);
                list.fieldByName("KENNUNG").setString(k);
                list.fieldByName("CHANGED").setString("IGNORED");
                list.fieldByName("KENNUNGO").setString(k);
                list.post();
            }
        }
        p.ReserveIds(kRows + 1);
        sqlite = std::make_unique<SqliteList>((dir / "ta_list.sqlite").string());
        sqlite->Fill(kRows, Kennung);
        sim::ThePlugin().UseHooks("VE1TransAction.dll", {{"AfterEditObject", &AfterEditObject},
                                                         {"CheckStatus", &CheckStatus},
                                                         {"DeleteFromTransActionList", &DeleteFromTransActionList},
                                                         {"InsertInTransActionList", &InsertInTransActionList}});
        // Read-locked objects make CheckStatus warn; the warning is answered at once.
        ui::SetResponder([](const std::string&) { return std::string("ok"); });
    }
    ~Fixture() {
        sqlite.reset();
        ui::SetResponder(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Fixture& TheFixture() {
    static Fixture f;
    return f;
}

// The engine's own open of the list on idxKennung, one lookup and the close.
void OpenLookupClose(const Fixture& f, int i) {
    dbf::Table t(f.dir.string() + "/", "TA_LIST.DBF");
    t.setIndexName("idxKennung");
    t.open();
    benchmark::DoNotOptimize(t.findKey(Kennung(i)));
}

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void Pread(int fd, void* data, size_t n, uint64_t offset) {
    if (pread(fd, data, n, off_t(offset)) != ssize_t(n))
        throw std::runtime_error("short read");
}

// The fewest system calls that do a hook's lookup: open the table and its index, read the
// table's header, the index's header and the tag's header, one page per level of the tree
// and the row; for a change write the row back; close both. Every page is searched as the
// engine searches it, so the floor does the same work, with nothing but the system calls
// around it. Returns whether the key was found.
bool SystemCallFloor(const Fixture& f, int i, bool write) {
    const std::string kennung = Kennung(i);
    const int mode = (write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    const int table = open((f.dir / "TA_LIST.DBF").c_str(), mode);
    const int index = open((f.dir / "TA_LIST.MDX").c_str(), mode);
    uint8_t header[32], page[1024], tag[512];
    Pread(table, header, sizeof header, 0);
    Pread(index, page, sizeof page, 0);
    uint32_t tagPage = 0;
    for (int t = 0; t < Le16(page + 28) && !tagPage; ++t)
        if (std::strncmp(reinterpret_cast<const char*>(page + 544 + 32 * t + 4), "IDXKENNUNG", 11) == 0)
            tagPage = Le32(page + 544 + 32 * t);
    Pread(index, tag, sizeof tag, uint64_t(tagPage) * 512);
    const size_t keyLength = Le16(tag + 12), itemLength = Le16(tag + 18);
    std::string key = kennung;
    key.resize(keyLength, ' ');
    uint32_t at = Le32(tag), recno = 0;
    bool found = false;
    for (int level = 0; level < 48 && at; ++level) {
        Pread(index, page, sizeof page, uint64_t(at) * 512);
        const uint32_t count = Le32(page);
        const uint8_t* items = page + 8;
        size_t lo = 0, hi = count;
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (std::memcmp(items + mid * itemLength + 4, key.data(), keyLength) < 0) lo = mid + 1;
            else hi = mid;
        }
        const uint32_t after = Le32(items + count * itemLength);
        if (after != 0) {  // an inner page: on to the child
            at = Le32(items + lo * itemLength);
            continue;
        }
        found = lo < count && std::memcmp(items + lo * itemLength + 4, key.data(), keyLength) == 0;
        recno = found ? Le32(items + lo * itemLength) : 0;
        break;
    }
    if (found) {
        const uint16_t headerLength = Le16(header + 8), recordLength = Le16(header + 10);
        std::string row(recordLength, '\0');
        const uint64_t offset = headerLength + uint64_t(recno - 1) * recordLength;
        Pread(table, row.data(), row.size(), offset);
        if (write && pwrite(table, row.data(), row.size(), off_t(offset)) != ssize_t(row.size()))
            throw std::runtime_error("short write");
    }
    close(index);
    close(table);
    return found;
}

double Nanoseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - since).count();
}

// Times both baselines right after every timed hook call, each on another random row, so that
// the ratios do not drift with the machine's state over the run; a write hook also the same
// change by SQLite, on the same row. A hook that may change the row has the floor with the
// write, a read-only hook the floor without it.
// A hook that first asks the host for the object's identifier has that answer timed as well,
// alone, on another object: the floor has no host in it.
struct Ratio {
    bool writes = true;
    bool asksHost = false;
    double hookNs = 0, baselineNs = 0, floorNs = 0, sqliteNs = 0, hostNs = 0;
    int64_t n = 0, sqliteN = 0;
    std::mt19937 rng{3};

    template <class F>
    void Time(benchmark::State& state, F&& hook) {
        Time(state, hook, [] { return false; });
    }
    // sqlite() makes the same change by SQLite when there is one, and says whether it did.
    template <class F, class S>
    void Time(benchmark::State& state, F&& hook, S&& sqlite) {
        auto t0 = std::chrono::steady_clock::now();
        hook();
        hookNs += Nanoseconds(t0);
        state.PauseTiming();  // the benchmark's own time stays the hook's
        int j = static_cast<int>(rng() % kRows);
        t0 = std::chrono::steady_clock::now();
        OpenLookupClose(TheFixture(), j);
        baselineNs += Nanoseconds(t0);
        j = static_cast<int>(rng() % kRows);
        t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(SystemCallFloor(TheFixture(), j, writes));
        floorNs += Nanoseconds(t0);
        if (asksHost) {
            j = static_cast<int>(rng() % kRows);
            t0 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(MyGetKennungOfID(j + 1));
            hostNs += Nanoseconds(t0);
        }
        t0 = std::chrono::steady_clock::now();
        const bool timed = sqlite();
        if (timed) {
            sqliteNs += Nanoseconds(t0);
            ++sqliteN;
        }
        state.ResumeTiming();
        ++n;
    }
    void Report(benchmark::State& state) const {
        state.counters["baseline_us"] = n ? baselineNs / double(n) / 1000.0 : 0.0;
        state.counters["ratio_to_baseline"] = baselineNs > 0 ? hookNs / baselineNs : 0.0;
        state.counters["floor_us"] = n ? floorNs / double(n) / 1000.0 : 0.0;
        state.counters["ratio_to_floor"] = floorNs > 0 ? hookNs / floorNs : 0.0;
        if (asksHost) {
            state.counters["host_us"] = n ? hostNs / double(n) / 1000.0 : 0.0;
            state.counters["ratio_to_floor_and_host"] = hookNs / (floorNs + hostNs);
        }
        if (sqliteN > 0) {
            state.counters["sqlite_us"] = sqliteNs / double(sqliteN) / 1000.0;
            state.counters["ratio_to_sqlite"] = sqliteNs > 0 ? hookNs / sqliteNs : 0.0;
        }
    }
};

template <class F>
void Timed(benchmark::State& state, bool writes, F&& hook, bool asksHost = false) {
    TheFixture();
    std::mt19937 rng(11);
    Ratio ratio;
    ratio.writes = writes;
    ratio.asksHost = asksHost;
    for (auto _ : state) {
        const int i = static_cast<int>(rng() % kRows);
        ratio.Time(state, [&] { hook(i); });
    }
    ratio.Report(state);
}

void BM_Baseline_OpenLookupClose(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::mt19937 rng(3);
    for (auto _ : state)
        OpenLookupClose(f, static_cast<int>(rng() % kRows));
}

void BM_Baseline_SystemCallFloor(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::mt19937 rng(3);
    for (auto _ : state)
        if (!SystemCallFloor(f, static_cast<int>(rng() % kRows), false))
            state.SkipWithError("the floor's lookup missed a listed identifier");
}

// SQLite's transaction alone: one row's non-indexed field changed.
void BM_Baseline_SqliteOneRowUpdate(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::mt19937 rng(5);
    for (auto _ : state)
        f.sqlite->Update(Kennung(static_cast<int>(rng() % kRows)));
}

// The row as the import leaves it, so that the next edit changes it: written by the engine
// alone, untimed.
void MarkIgnored(int i) {
    dbf::Table list(TheFixture().dir.string() + "/", "TA_LIST.DBF");
    list.setIndexName("idxKennung");
    list.open();
    if (list.findKey(Kennung(i)) && list.fieldByName("CHANGED").asString() != "IGNORED") {
        list.edit();
        list.fieldByName("CHANGED").setString("IGNORED");
        list.post();
    }
}

void BM_SetChangedFlag(benchmark::State& state) {
    TheFixture();
    std::mt19937 rng(11);
    Ratio ratio;
    for (auto _ : state) {
        const int i = static_cast<int>(rng() % kRows);
        state.PauseTiming();
        MarkIgnored(i);
        state.ResumeTiming();
        ratio.Time(
            state,
            [&] {
                sim::TheProject().activeObject = i + 1;
                AfterEditObject(0, 0, 0);
            },
            [&] {
                TheFixture().sqlite->Update(Kennung(i));
                return true;
            });
    }
    ratio.Report(state);
}

// The read-only hooks: the geometry edit's check, and the status queries behind it and behind
// the identifier switch, which makes both before it asks the user: one open, one lookup.
void BM_CheckStatus(benchmark::State& state) {
    Timed(state, false, [](int i) { CheckStatus(0, i + 1, 0); }, true);
}

void BM_GetObjectStatus(benchmark::State& state) {
    Timed(state, false, [](int i) { benchmark::DoNotOptimize(GetObjectStatus(Kennung(i))); });
}

void BM_GetTIDOfObject(benchmark::State& state) {
    Timed(state, false, [](int i) { benchmark::DoNotOptimize(GetTIDOfObject(Kennung(i))); });
}

// An edit of an object whose row is marked already: the hook looks and changes nothing.
constexpr int kMarked = 1000;
int MarkedRow(int k) { return static_cast<int>((int64_t(k) * 97) % kRows); }

void BM_SetChangedFlagUnchanged(benchmark::State& state) {
    const Fixture& f = TheFixture();
    {
        dbf::Table list(f.dir.string() + "/", "TA_LIST.DBF");
        list.setIndexName("idxKennung");
        list.open();
        for (int k = 0; k < kMarked; ++k) {
            if (!list.findKey(Kennung(MarkedRow(k))))
                continue;
            list.edit();
            list.fieldByName("CHANGED").setString("UPDATE");
            list.post();
        }
    }
    std::mt19937 rng(19);
    Ratio ratio;
    ratio.writes = false;
    for (auto _ : state) {
        const int i = MarkedRow(static_cast<int>(rng() % kMarked));
        ratio.Time(state, [&] {
            sim::TheProject().activeObject = i + 1;
            AfterEditObject(0, 0, 0);
        });
    }
    ratio.Report(state);
}

// Deleting a new object removes its row and returns its identifier; creating it again under
// the transaction records it anew. Each benchmark times one half, the other restores.
template <bool TimeDeletion>
void DeleteAndCreateAgain(benchmark::State& state) {
    TheFixture();
    std::mt19937 rng(TimeDeletion ? 13 : 17);
    Ratio ratio;
    for (auto _ : state) {
        const int i = static_cast<int>(rng() % (kRows / 3)) * 3 + 2;  // a new object
        for (int half = 0; half < 2; ++half) {
            const bool deleting = half == 0;
            TargetTID = 5;
            auto call = [&] {
                if (deleting)
                    DeleteFromTransActionList(i + 1, 0, 0);
                else
                    InsertInTransActionList(0, i + 1, 0);
            };
            // SQLite's table takes the same row out of its four indexes, or back in.
            auto same = [&] {
                if (deleting)
                    TheFixture().sqlite->Delete(Kennung(i));
                else
                    TheFixture().sqlite->Insert(Kennung(i), i + 1);
                return true;
            };
            if (deleting == TimeDeletion) {
                ratio.Time(state, call, same);
            } else {
                state.PauseTiming();
                call();
                same();
                state.ResumeTiming();
            }
        }
    }
    ratio.Report(state);
}

void BM_DeleteFromTransActionList(benchmark::State& state) { DeleteAndCreateAgain<true>(state); }
void BM_InsertInTransActionList(benchmark::State& state) { DeleteAndCreateAgain<false>(state); }

}  // namespace

BENCHMARK(BM_Baseline_OpenLookupClose)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Baseline_SystemCallFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Baseline_SqliteOneRowUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetChangedFlag)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetObjectStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetTIDOfObject)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetChangedFlagUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteFromTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertInTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
