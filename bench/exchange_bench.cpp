// The transaction import's own steps on a checkout of 100,000 objects, and the export of a
// transaction of 100,000 objects, each as a ratio to the engine copying the object list into
// a new table with the four indexes of TA_LIST.DBF, timed again after every run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <filesystem>
#include <random>
#include <string>

#include "exchange/ExportFuncs.h"
#include "exchange/ImportFuncs.h"
#include "host/Plugin.h"
#include "host/Project.h"
#include "host/ProjectDatabase.h"
#include "photos/EnsureDataBase.h"
#include "host/SimTables.h"
#include "platform/dbf/DbfTable.h"
#include "platform/ui/Channel.h"
#include "plugin/VE1TransAction.h"
#include "store/CreateLocalTables.h"

namespace fs = std::filesystem;

namespace {

constexpr int kObjects = 100000;
constexpr int kReserved = 10000;

std::string Kennung(int i) { return "NSG-" + std::to_string(1000000 + i); }

void RemoveTables(const fs::path& dir) {
    for (const char* name : {"TA_LIST", "TA_KL", "TA_ID", "KOPIE"})
        for (const char* ext : {".DBF", ".MDX"})
            fs::remove(dir / (std::string(name) + ext));
}

// A checkout beside an empty project: the object list (a third each read-locked, write-locked
// and new), the reserved identifiers and the transaction file.
struct Fixture {
    fs::path dir, project, checkout, exportDir;

    Fixture() {
        dir = fs::temp_directory_path() / ("ve1-exchange-bench-" + std::to_string(std::random_device{}()));
        project = dir / "Projekt";
        checkout = dir / "Austausch";
        exportDir = dir / "Export";
        for (const fs::path& d : {project, checkout, exportDir})
            fs::create_directories(d);
        sim::ResetProject();
        sim::Project& p = sim::TheProject();
        p.projectDir = project.string();
        p.projectDB = (project / "Projekt.db").string();
        p.classes[1] = "NSG";
        p.cursor = std::make_pair(3500000.0, 5800000.0);
        sim::CreateProjectDatabase(p.projectDB);
        // The host's attribute export reports a table post, as the host does.
        sim::ThePlugin().UseHooks("VE1TransAction.dll", {{"OnTablePost", &OnTablePost}});
        EnsureTableFotos();
        EnsureSubDirFotos();
        {
            sim::SeedTable(checkout.string() + "/", "Moor1t.dbf");
            dbf::Table t(checkout.string() + "/", "Moor1t.dbf");
            t.open();
            for (int i = 0; i < kObjects; ++i) {
                t.append();
                t.fieldByName("KENNUNG").setString(Kennung(i));
                t.fieldByName("TID").setInteger(7);
                t.fieldByName("FELDIXID").setInteger(i + 1);
                t.fieldByName("VGNR").setInteger(i % 100);
                t.fieldByName("SCHREIBEND").setInteger(i % 3);
                t.post();
            }
        }
        {
            sim::SeedTable(checkout.string() + "/", "Moor1kl.dbf");
            dbf::Table t(checkout.string() + "/", "Moor1kl.dbf");
            t.open();
            for (int i = 0; i < kReserved; ++i) {
                t.append();
                t.fieldByName("KENNUNG").setString(Kennung(kObjects + i));
                t.fieldByName("TID").setInteger(7);
                t.post();
            }
        }
        std::ofstream(checkout / "Moor1.tid", std::ios::binary) << "[Transaktionsdaten]\r\nTransaktion=7\r\n";
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string CheckoutDir() const { return checkout.string() + "/"; }
};

Fixture& TheFixture() {
    static Fixture f;
    return f;
}

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// The engine's own copy of the object list into a new table with the list's four indexes.
double CopyList(const Fixture& f) {
    fs::remove(f.dir / "KOPIE.DBF");
    fs::remove(f.dir / "KOPIE.MDX");
    const auto t0 = std::chrono::steady_clock::now();
    CreateTransactionListIn(f.dir.string() + "/", "KOPIE.DBF");
    dbf::Table source(f.CheckoutDir(), "Moor1t.dbf");
    dbf::Table target(f.dir.string() + "/", "KOPIE.DBF");
    source.open();
    target.open();
    for (source.first(); !source.eof(); source.next()) {
        const std::string k = source.fieldByName("KENNUNG").asString();
        target.append();
        for (const char* name : {"TID", "FELDIXID", "VGNR", "SCHREIBEND"})
            target.fieldByName(name).setInteger(source.fieldByName(name).asInteger());
        target.fieldByName("KENNUNG").setString(k);
        target.fieldByName("KENNUNGO").setString(k);
        target.fieldByName("CHANGED").setString("IGNORED");
        target.post();
    }
    return Milliseconds(t0);
}

// Times run() and then the baseline; reports the ratio of their totals.
template <class Prepare, class Run>
void Ratio(benchmark::State& state, Prepare prepare, Run run) {
    Fixture& f = TheFixture();
    double ms = 0, baselineMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(f);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        run(f);
        ms += Milliseconds(t0);
        state.PauseTiming();
        baselineMs += CopyList(f);
        state.ResumeTiming();
    }
    state.counters["baseline_ms"] = baselineMs / double(state.iterations());
    state.counters["ratio_to_baseline"] = baselineMs > 0 ? ms / baselineMs : 0.0;
}

void BM_Baseline_CopyListWithFourIndexes(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state)
        CopyList(f);
}

// The plug-in's own import steps: the object list merged, the transaction recorded, the
// reserved identifiers pooled; the host's lookups answered by the stand-in.
void ImportSteps(const Fixture& f) {
    ImportTransActionList("moor1t.dbf", f.CheckoutDir());
    ImportTransActionNumbers("moor1.tid", f.CheckoutDir());
    ImportKennungList("moor1kl.dbf", f.CheckoutDir());
}

void BM_Import(benchmark::State& state) {
    Ratio(
        state,
        [](Fixture& f) {
            RemoveTables(f.project);
            sim::TheProject().objects.clear();
        },
        ImportSteps);
}

// The imported transaction with a quarter of it changed, every object on the map; the export
// answers its questions at once.
void PrepareExport(Fixture& f) {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    RemoveTables(f.project);
    ImportSteps(f);
    sim::Project& p = sim::TheProject();
    dbf::Table list(f.project.string() + "/", "TA_LIST.DBF");
    list.open();
    int i = 0;
    for (list.first(); !list.eof(); list.next(), ++i) {
        const std::string k = list.fieldByName("KENNUNG").asString();
        p.objects[i + 1] = sim::GeoObject{i + 1, k, 1, 1, 3500000.0 + i, 5800000.0 + i};
        if (i % 4 == 0) {
            list.edit();
            list.fieldByName("CHANGED").setString(list.fieldByName("SCHREIBEND").asInteger() == 2 ? "NEW" : "UPDATE");
            list.post();
        }
    }
    p.ReserveIds(kObjects + 1);
    const std::string target = "file " + (f.exportDir / "Moor1_Export").string();
    ui::SetResponder([target](const std::string& event) {
        if (event.rfind("filedialog", 0) == 0)
            return target;
        return std::string("yes");
    });
}

void BM_Export(benchmark::State& state) {
    Ratio(state, PrepareExport, [](const Fixture&) { benchmark::DoNotOptimize(VE1CustomExportProc(0, 0, 0)); });
}

}  // namespace

BENCHMARK(BM_Baseline_CopyListWithFourIndexes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
