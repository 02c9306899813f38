// Cost of the check report of 1,000 transactions over a transaction list of 100,000 rows, as a
// ratio to one walk of that list through the engine in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "host/Project.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "platform/report/PdfWriter.h"
#include "report/frmTransActionReport.h"

namespace {

constexpr int kRows = 100000;
constexpr int kTransactions = 1000;

// Rows of the transactions lie interleaved in the file; of every eight rows two are
// read-locked, two write-locked and unchanged, one write-locked and changed, two new and one
// deleted, so that five in eight are printed.
struct Fixture {
    std::filesystem::path dir;

    Fixture() {
        dir = std::filesystem::temp_directory_path() / ("ve1-report-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
        sim::ResetProject();
        sim::TheProject().projectDir = dir.string();
        sim::SeedTable(dir.string(), "TA_ID.DBF");
        sim::SeedTable(dir.string(), "TA_LIST.DBF");
        {
            dbf::Table ids(dir.string() + "/", "TA_ID.DBF");
            ids.open();
            for (int t = 1; t <= kTransactions; ++t) {
                ids.append();
                ids.fieldByName("TID").setInteger(t);
                ids.fieldByName("NAME").setString("Gebiet " + std::to_string(t));
                ids.fieldByName("OWNER").setString("Kreis");
                ids.post();
            }
        }
        dbf::Table list(dir.string() + "/", "TA_LIST.DBF");
        list.open();
        static const int kStates[8] = {0, 0, 1, 1, 1, 2, 2, 3};
        for (int i = 0; i < kRows; ++i) {
            const int state = kStates[i % 8];
            list.append();
            list.fieldByName("TID").setInteger(i % kTransactions + 1);
            list.fieldByName("FELDIXID").setInteger(i + 1);
            list.fieldByName("VGNR").setInteger(i);
            list.fieldByName("SCHREIBEND").setInteger(state);
            list.fieldByName("KENNUNG").setString("NSG-" + std::to_string(100000 + i));
            list.fieldByName("CHANGED").setString(i % 8 == 4 ? "UPDATE" : state == 2 ? "NEW" : state == 3 ? "DELETE" : "IGNORED");
            list.post();
        }
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Fixture& TheFixture() {
    static Fixture f;
    return f;
}

// One walk of the list in TID order, reading the four fields the report reads.
void WalkList(dbf::Table& list) {
    dbf::Field& tid = list.fieldByName("TID");
    dbf::Field& kennung = list.fieldByName("KENNUNG");
    dbf::Field& schreibend = list.fieldByName("SCHREIBEND");
    dbf::Field& changed = list.fieldByName("CHANGED");
    size_t bytes = 0;
    for (list.first(); !list.eof(); list.next()) {
        bytes += tid.asString().size() + kennung.asString().size() + changed.asString().size();
        bytes += static_cast<size_t>(schreibend.asInteger());
    }
    benchmark::DoNotOptimize(bytes);
}

double Nanoseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - since).count();
}

// Times the work and, right after it, the baseline walk; reports their ratio.
template <class F>
void Timed(benchmark::State& state, F&& work) {
    Fixture& f = TheFixture();
    TFormTransActionReport form;
    form.QuickRep1.DateText = "01.01.2026";
    dbf::Table list(f.dir.string() + "/", "TA_LIST.DBF");
    list.setIndexFieldNames("TID");
    list.open();
    double workNs = 0, baselineNs = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        work(form);
        workNs += Nanoseconds(t0);
        state.PauseTiming();
        t0 = std::chrono::steady_clock::now();
        WalkList(list);
        baselineNs += Nanoseconds(t0);
        state.ResumeTiming();
    }
    state.counters["baseline_ms"] = state.iterations() ? baselineNs / double(state.iterations()) / 1e6 : 0.0;
    state.counters["ratio_to_baseline"] = baselineNs > 0 ? workNs / baselineNs : 0.0;
}

void BM_Baseline_WalkList(benchmark::State& state) {
    Fixture& f = TheFixture();
    dbf::Table list(f.dir.string() + "/", "TA_LIST.DBF");
    list.setIndexFieldNames("TID");
    list.open();
    for (auto _ : state)
        WalkList(list);
}

// The lists of every transaction and the report laid out on its pages.
void BM_Report(benchmark::State& state) {
    Timed(state, [](TFormTransActionReport& form) {
        const report::Document doc = form.PrepareReport();
        benchmark::DoNotOptimize(doc.pages.size());
    });
}

// The same, written as PDF.
void BM_ReportPdf(benchmark::State& state) {
    Timed(state, [](TFormTransActionReport& form) {
        const std::string pdf = report::RenderPdf(form.PrepareReport());
        benchmark::DoNotOptimize(pdf.size());
    });
}

}  // namespace

BENCHMARK(BM_Baseline_WalkList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
