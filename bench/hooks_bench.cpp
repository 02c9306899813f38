// Cost of the hooks that touch the transaction list on every edit, creation and deletion,
// as a ratio to the engine's own open + lookup + close of the same list in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
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

double Nanoseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - since).count();
}

// Times the baseline right after every timed hook call, on another random row, so that the
// ratio does not drift with the machine's state over the run.
struct Ratio {
    double hookNs = 0, baselineNs = 0;
    int64_t n = 0;
    std::mt19937 rng{3};

    template <class F>
    void Time(benchmark::State& state, F&& hook) {
        auto t0 = std::chrono::steady_clock::now();
        hook();
        hookNs += Nanoseconds(t0);
        state.PauseTiming();  // the benchmark's own time stays the hook's
        const int j = static_cast<int>(rng() % kRows);
        t0 = std::chrono::steady_clock::now();
        OpenLookupClose(TheFixture(), j);
        baselineNs += Nanoseconds(t0);
        state.ResumeTiming();
        ++n;
    }
    void Report(benchmark::State& state) const {
        state.counters["baseline_us"] = n ? baselineNs / double(n) / 1000.0 : 0.0;
        state.counters["ratio_to_baseline"] = baselineNs > 0 ? hookNs / baselineNs : 0.0;
    }
};

template <class F>
void Timed(benchmark::State& state, F&& hook) {
    TheFixture();
    std::mt19937 rng(11);
    Ratio ratio;
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

void BM_SetChangedFlag(benchmark::State& state) {
    Timed(state, [](int i) {
        sim::TheProject().activeObject = i + 1;
        AfterEditObject(0, 0, 0);
    });
}

void BM_CheckStatus(benchmark::State& state) {
    Timed(state, [](int i) { CheckStatus(0, i + 1, 0); });
}

// The status queries behind CheckStatus and SwitchKennung: one open, one lookup, no write.
void BM_GetObjectStatus(benchmark::State& state) {
    Timed(state, [](int i) { benchmark::DoNotOptimize(GetObjectStatus(Kennung(i))); });
}

void BM_GetTIDOfObject(benchmark::State& state) {
    Timed(state, [](int i) { benchmark::DoNotOptimize(GetTIDOfObject(Kennung(i))); });
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
BENCHMARK(BM_SetChangedFlag)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetObjectStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetTIDOfObject)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetChangedFlagUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteFromTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertInTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
