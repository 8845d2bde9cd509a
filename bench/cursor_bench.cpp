// The cursor idiom on a journal-sized table of 1,000,000 records.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "data/sqlite_db.h"
#include "data/sqlite_table.h"

using namespace tablora::data;

namespace {

constexpr int kRecords = 1'000'000;

const std::string& benchDatabase() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "tablora-bench.db").string();
        std::filesystem::remove(p);
        SqliteDB db;
        db.open(p, true);
        sqlite3_exec(
            db.handle(),
            "CREATE TABLE 流水 (单号 TEXT, 时间 TEXT, 台号 TEXT, 人数 INTEGER, 金额 INTEGER,"
            " 状态 INTEGER, 操作 TEXT, 备注 TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<1000000)"
            " INSERT INTO 流水 SELECT printf('2025%010d', i), '2025年3月7日', '大厅'||(i%12),"
            " i%8+1, i%500, 1, '经理', '' FROM n;",
            nullptr, nullptr, nullptr);
        return p;
    }();
    return path;
}

void BM_ScanOneField(benchmark::State& state) {
    SqliteDB db;
    db.open(benchDatabase());
    SqliteTable t;
    t.open("流水", db);
    for (auto _ : state) {
        long long bytes = 0;
        t.moveFirst();
        for (int i = 1, n = t.recordCount(); i <= n; ++i) {
            bytes += static_cast<long long>(t.readText("单号").size());
            t.skip();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_OpenCursor(benchmark::State& state) {
    SqliteDB db;
    db.open(benchDatabase());
    SqliteTable t;
    for (auto _ : state) benchmark::DoNotOptimize(t.open("流水", db));
}

void BM_AddNewUpdate(benchmark::State& state) {
    SqliteDB db;
    db.open(benchDatabase());
    SqliteTable t;
    t.open("流水", db);
    for (auto _ : state) {
        t.addNew();
        t.write("单号", "20990101000000");
        t.write("金额", 0);
        t.write("状态", 0);
        benchmark::DoNotOptimize(t.update());
    }
}

void BM_DeleteInTheMiddle(benchmark::State& state) {
    SqliteDB db;
    db.open(benchDatabase());
    SqliteTable t;
    t.open("流水", db);
    for (auto _ : state) {
        t.moveTo(t.recordCount() / 2);
        benchmark::DoNotOptimize(t.deleteCurrent());
    }
}

}  // namespace

BENCHMARK(BM_ScanOneField)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_OpenCursor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AddNewUpdate)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DeleteInTheMiddle)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_MAIN();
