// What giving a parent with 100,000 children a new code costs through the
// program's own write routine (the parent and then every child read and
// written one at a time through the file layer, in one transaction) against
// one SQL UPDATE of the same children in one transaction. Each iteration
// gives the parent a new code and then its old one back.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include "bench/bench_files.h"
#include "bench/parent_recode.h"
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"
#include "runtime/frontend/constants.h"

namespace {

using fesk::FESK1;
using fesk::FESK2;
using fesk::bench::kBigParent;
using fesk::bench::recodeParent;

const std::string kOtherCode = "A2";

void BM_CascadeRecode(benchmark::State& state) {
  FESK1.open(apprt::kOpenSharedReadWrite);
  FESK2.open(apprt::kOpenSharedReadWrite);
  fesk::threadBlock().Fesk2OpenCount = 1;  // held open, as the form holds it
  for (auto _ : state) {
    if (!recodeParent(kBigParent, kOtherCode) || !recodeParent(kOtherCode, kBigParent)) {
      state.SkipWithError("the cascade failed");
      break;
    }
  }
  fesk::threadBlock().Fesk2OpenCount = 0;
  FESK2.close();
  FESK1.close();
}

void BM_SqlUpdate(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open(fesk::sqlite::defaultDriver().pathOf(FESK2).c_str(), &db);
  fesk::sqlite::Statement update(db, "UPDATE FESK2 SET CODE = ?1 WHERE CODE = ?2");
  auto recode = [&](const std::string& from, const std::string& to) {
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    update.bindText(1, to);
    update.bindText(2, from);
    const int result = update.step();
    update.reset();
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return result == SQLITE_DONE && sqlite3_changes(db) == fesk::bench::k1M / 10;
  };
  for (auto _ : state) {
    if (!recode(kBigParent, kOtherCode) || !recode(kOtherCode, kBigParent)) {
      state.SkipWithError("the update failed");
      break;
    }
  }
  sqlite3_close(db);
}

BENCHMARK(BM_CascadeRecode)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SqlUpdate)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  fesk::bench::prepareFiles();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
