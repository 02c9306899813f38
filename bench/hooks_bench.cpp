// Cost of the hooks that touch the transaction list on every edit, creation and deletion,
// as a ratio to the engine's own open + lookup + close of the same list in the same run, and
// to the fewest system calls that do the same lookup.
#include <benchmark/benchmark.h>

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

namespace {

constexpr int kRows = 100000;

std::string Kennung(int i) { return "NSG-" + std::to_string(100000 + i); }

// A project with kRows objects of one transaction: every third read-locked, every third
// write-locked, every third new; the pool holds the identifiers of the new ones' partners.
struct Fixture {
    std::filesystem::path dir;

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
        sim::ThePlugin().UseHooks("VE1TransAction.dll", {{"AfterEditObject", &AfterEditObject},
                                                         {"CheckStatus", &CheckStatus},
                                                         {"DeleteFromTransActionList", &DeleteFromTransActionList},
                                                         {"InsertInTransActionList", &InsertInTransActionList}});
        // Read-locked objects make CheckStatus warn; the warning is answered at once.
        ui::SetResponder([](const std::string&) { return std::string("ok"); });
    }
    ~Fixture() {
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
// the ratios do not drift with the machine's state over the run. A hook that may change the
// row has the floor with the write, a read-only hook the floor without it.
struct Ratio {
    bool writes = true;
    double hookNs = 0, baselineNs = 0, floorNs = 0;
    int64_t n = 0;
    std::mt19937 rng{3};

    template <class F>
    void Time(benchmark::State& state, F&& hook) {
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
        state.ResumeTiming();
        ++n;
    }
    void Report(benchmark::State& state) const {
        state.counters["baseline_us"] = n ? baselineNs / double(n) / 1000.0 : 0.0;
        state.counters["ratio_to_baseline"] = baselineNs > 0 ? hookNs / baselineNs : 0.0;
        state.counters["floor_us"] = n ? floorNs / double(n) / 1000.0 : 0.0;
        state.counters["ratio_to_floor"] = floorNs > 0 ? hookNs / floorNs : 0.0;
    }
};

template <class F>
void Timed(benchmark::State& state, bool writes, F&& hook) {
    TheFixture();
    std::mt19937 rng(11);
    Ratio ratio;
    ratio.writes = writes;
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

void BM_SetChangedFlag(benchmark::State& state) {
    Timed(state, true, [](int i) {
        sim::TheProject().activeObject = i + 1;
        AfterEditObject(0, 0, 0);
    });
}

// The read-only hooks: the geometry edit's check, and the two lookups the identifier switch
// makes before it asks the user.
void BM_CheckStatus(benchmark::State& state) {
    Timed(state, false, [](int i) { CheckStatus(0, i + 1, 0); });
}

void BM_GetObjectStatus(benchmark::State& state) {
    Timed(state, false, [](int i) { benchmark::DoNotOptimize(GetObjectStatus(Kennung(i))); });
}

void BM_GetTIDOfObject(benchmark::State& state) {
    Timed(state, false, [](int i) { benchmark::DoNotOptimize(GetTIDOfObject(Kennung(i))); });
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
            if (deleting == TimeDeletion) {
                ratio.Time(state, call);
            } else {
                state.PauseTiming();
                call();
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
BENCHMARK(BM_SetChangedFlag)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetObjectStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetTIDOfObject)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteFromTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertInTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
