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

namespace {

constexpr int kRows = 100000;

std::string Kennung(int i) { return "NSG-" + std::to_string(100000 + i); }

// A project with kRows objects of one transaction: every third read-locked, every third
// write-locked, every third new; the pool holds the identifiers of the new ones' partners.
struct Fixture {
    std::filesystem::path dir;
    double baselineNs = 0;

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
        baselineNs = MeasureBaseline();
    }
    ~Fixture() {
        ui::SetResponder(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    double MeasureBaseline() const {
        std::mt19937 rng(7);
        const int n = 2000;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) {
            dbf::Table t(dir.string() + "/", "TA_LIST.DBF");
            t.setIndexName("idxKennung");
            t.open();
            benchmark::DoNotOptimize(t.findKey(Kennung(static_cast<int>(rng() % kRows))));
            t.close();
        }
        return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() / n;
    }
};

Fixture& TheFixture() {
    static Fixture f;
    return f;
}

void Report(benchmark::State& state, double totalNs, int64_t n) {
    const Fixture& f = TheFixture();
    state.counters["baseline_us"] = f.baselineNs / 1000.0;
    state.counters["ratio_to_baseline"] = n ? totalNs / static_cast<double>(n) / f.baselineNs : 0.0;
}

template <class F>
void Timed(benchmark::State& state, F&& hook) {
    TheFixture();
    std::mt19937 rng(11);
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const int i = static_cast<int>(rng() % kRows);
        const auto t0 = std::chrono::steady_clock::now();
        hook(i);
        total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    Report(state, total, n);
}

void BM_Baseline_OpenLookupClose(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::mt19937 rng(3);
    for (auto _ : state) {
        dbf::Table t(f.dir.string() + "/", "TA_LIST.DBF");
        t.setIndexName("idxKennung");
        t.open();
        benchmark::DoNotOptimize(t.findKey(Kennung(static_cast<int>(rng() % kRows))));
    }
    state.counters["baseline_us"] = f.baselineNs / 1000.0;
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

// Deleting a new object removes its row and returns its identifier; creating it again under
// the transaction records it anew. Each benchmark times one half, the other restores.
template <bool TimeDeletion>
void DeleteAndCreateAgain(benchmark::State& state) {
    TheFixture();
    std::mt19937 rng(TimeDeletion ? 13 : 17);
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const int i = static_cast<int>(rng() % (kRows / 3)) * 3 + 2;  // a new object
        for (int half = 0; half < 2; ++half) {
            const bool deleting = half == 0;
            const bool timed = deleting == TimeDeletion;
            if (!timed)
                state.PauseTiming();
            TargetTID = 5;
            const auto t0 = std::chrono::steady_clock::now();
            if (deleting)
                DeleteFromTransActionList(i + 1, 0, 0);
            else
                InsertInTransActionList(0, i + 1, 0);
            if (timed) {
                total += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
                ++n;
            } else {
                state.ResumeTiming();
            }
        }
    }
    Report(state, total, n);
}

void BM_DeleteFromTransActionList(benchmark::State& state) { DeleteAndCreateAgain<true>(state); }
void BM_InsertInTransActionList(benchmark::State& state) { DeleteAndCreateAgain<false>(state); }

}  // namespace

BENCHMARK(BM_Baseline_OpenLookupClose)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetChangedFlag)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteFromTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertInTransActionList)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
