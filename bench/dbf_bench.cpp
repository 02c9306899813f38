// Table engine costs on a transaction list of 10,000 to 1,000,000 rows, against a plain scan.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>

#include "platform/dbf/DbfTable.h"

// Heap use, to show that a lookup reads pages, not the table or the index.
static std::atomic<long long> gHeapNow{0}, gHeapPeak{0};
void* operator new(std::size_t n) {
    auto* p = static_cast<std::size_t*>(std::malloc(n + sizeof(std::max_align_t)));
    if (!p) throw std::bad_alloc();
    *p = n;
    long long now = gHeapNow += (long long)n;
    long long peak = gHeapPeak.load();
    while (now > peak && !gHeapPeak.compare_exchange_weak(peak, now)) {
    }
    return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
}
void operator delete(void* q) noexcept {
    if (!q) return;
    auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(q) - sizeof(std::max_align_t));
    gHeapNow -= (long long)*p;
    std::free(p);
}
void operator delete(void* q, std::size_t) noexcept { operator delete(q); }

namespace {

std::string keyOf(long i, long n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "DE%010ld", (i * 7919) % n);
    return buf;
}

// One table per size, built once: rows appended, then the four indexes bulk-built.
std::string tableDir(long n) {
    static std::map<long, std::string> built;
    auto it = built.find(n);
    if (it != built.end()) return it->second;
    auto dir = std::filesystem::temp_directory_path() / ("ve1_dbf_bench_" + std::to_string(n));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string d = dir.string() + "/";
    dbf::Table t(d, "TA_LIST.DBF");
    t.addFieldDef("TID", dbf::FieldType::Integer);
    t.addFieldDef("FELDIXID", dbf::FieldType::Integer);
    t.addFieldDef("VGNR", dbf::FieldType::Integer);
    t.addFieldDef("SCHREIBEND", dbf::FieldType::Integer);
    t.addFieldDef("KENNUNG", dbf::FieldType::Character, 50);
    t.addFieldDef("CHANGED", dbf::FieldType::Character, 15);
    t.addFieldDef("KENNUNGO", dbf::FieldType::Character, 50);
    t.createTable();
    t.open();
    for (long i = 0; i < n; ++i) {
        t.append();
        t.fieldByName("TID").setInteger(int32_t(i % 50));
        t.fieldByName("FELDIXID").setInteger(int32_t(i));
        t.fieldByName("VGNR").setInteger(-1);
        t.fieldByName("SCHREIBEND").setInteger(int32_t(i % 4));
        t.fieldByName("KENNUNG").setString(keyOf(i, n));
        t.fieldByName("CHANGED").setString("IGNORED");
        t.fieldByName("KENNUNGO").setString(keyOf(i, n));
        t.post();
    }
    t.close();
    t.addIndex("idxKennung", "KENNUNG");
    t.addIndex("idxTID", "TID");
    t.addIndex("idxSchreib", "SCHREIBEND");
    t.addIndex("idxOKenn", "KENNUNGO");
    return built[n] = d;
}

void OpenLookupEditPostClose(benchmark::State& state) {
    long n = state.range(0);
    std::string dir = tableDir(n);
    long i = 0;
    long long peak = 0;
    for (auto _ : state) {
        long long base = gHeapNow.load();
        gHeapPeak = base;
        dbf::Table t(dir, "TA_LIST.DBF");
        t.setIndexName("idxKennung");
        t.open();
        if (!t.findKey(keyOf((n / 2 + i * 7) % n, n))) state.SkipWithError("key not found");
        peak = std::max(peak, gHeapPeak.load() - base);
        t.edit();
        t.fieldByName("CHANGED").setString(i % 2 ? "UPDATE" : "IGNORED");
        t.post();
        t.close();
        ++i;
    }
    state.counters["peak_heap_open_lookup_bytes"] = double(peak);
}

void ScanLookupEditPostClose(benchmark::State& state) {
    long n = state.range(0);
    std::string dir = tableDir(n);
    long i = 0;
    for (auto _ : state) {
        dbf::Table t(dir, "TA_LIST.DBF");
        t.open();
        std::string key = keyOf((n / 2 + i * 7) % n, n);
        auto& k = t.fieldByName("KENNUNG");
        for (t.first(); !t.eof() && k.asString() != key; t.next()) {
        }
        if (t.eof()) state.SkipWithError("key not found");
        t.edit();
        t.fieldByName("CHANGED").setString(i % 2 ? "UPDATE" : "IGNORED");
        t.post();
        t.close();
        ++i;
    }
}

void AppendWithFourIndexes(benchmark::State& state) {
    long n = state.range(0);
    std::string dir = tableDir(n);
    dbf::Table t(dir, "TA_LIST.DBF");
    t.open();
    long i = 0;
    for (auto _ : state) {
        t.append();
        t.fieldByName("TID").setInteger(int32_t(i % 50));
        t.fieldByName("SCHREIBEND").setInteger(2);
        char key[32];
        std::snprintf(key, sizeof key, "NEU%ld", n + i);
        t.fieldByName("KENNUNG").setString(key);
        t.fieldByName("KENNUNGO").setString(key);
        t.fieldByName("CHANGED").setString("NEW");
        t.post();
        ++i;
    }
}

void Walk(benchmark::State& state, const char* index) {
    std::string dir = tableDir(state.range(0));
    for (auto _ : state) {
        dbf::Table t(dir, "TA_LIST.DBF");
        t.setIndexName(index);
        t.open();
        auto& k = t.fieldByName("KENNUNG");
        long rows = 0;
        for (t.first(); !t.eof(); t.next()) {
            benchmark::DoNotOptimize(k.asString());
            ++rows;
        }
        state.counters["rows"] = double(rows);
    }
}
void WalkIndexOrder(benchmark::State& state) { Walk(state, "idxKennung"); }
void WalkPhysicalScan(benchmark::State& state) { Walk(state, ""); }

}  // namespace

BENCHMARK(OpenLookupEditPostClose)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ScanLookupEditPostClose)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(AppendWithFourIndexes)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(WalkIndexOrder)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(WalkPhysicalScan)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
