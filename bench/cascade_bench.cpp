// What giving a parent with 100,000 children a new code costs through the
// program's own write routine (the parent and then every child read and
// written one at a time through the file layer, in one transaction) against
// one SQL UPDATE of the same children in one transaction, both on files
// without the history, so that the two do the same work. Each iteration
// gives the parent a new code and then its old one back. Then what the
// history of every change adds to that re-code and to the save of one
// record: each with the history, over the same with its triggers taken away.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <functional>

#include "bench/bench_files.h"
#include "bench/parent_recode.h"
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_history.h"
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
const std::array<const apprt::FileDeclaration*, 2> kDataFiles{&FESK1, &FESK2};

// Runs `work` with FESK1 and FESK2 open as a form holds them; without the
// history, when `history` is false, by taking its triggers and table from
// the files (they come back empty at the next open: the files stay the
// same from run to run).
void takeHistoryAway() {
  for (const apprt::FileDeclaration* file : kDataFiles) {
    sqlite3* db = nullptr;
    sqlite3_open(fesk::sqlite::defaultDriver().pathOf(*file).c_str(), &db);
    sqlite3_exec(db, fesk::sqlite::withoutHistorySql(*file).c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
}

void withFilesOpen(benchmark::State& state, bool history, const std::function<bool()>& work) {
  FESK1.open(apprt::kOpenSharedReadWrite);
  FESK2.open(apprt::kOpenSharedReadWrite);
  if (!history) takeHistoryAway();
  fesk::threadBlock().Fesk2OpenCount = 1;  // held open, as the form holds it
  for (auto _ : state) {
    if (!work()) {
      state.SkipWithError("the save failed");
      break;
    }
  }
  fesk::threadBlock().Fesk2OpenCount = 0;
  FESK2.close();
  FESK1.close();
}

bool recodeAndBack() {
  return recodeParent(kBigParent, kOtherCode) && recodeParent(kOtherCode, kBigParent);
}

void BM_CascadeRecode(benchmark::State& state) {
  withFilesOpen(state, true, recodeAndBack);
}

void BM_CascadeRecodeWithoutHistory(benchmark::State& state) {
  withFilesOpen(state, false, recodeAndBack);
}

// A save of one record as a form saves it: its name changed, so nothing
// cascades.
bool renameParent() {
  static int saves = 0;
  if (!fesk::bench::findParent(kBigParent)) return false;
  fesk::RememberFesk1Code();
  FESK1.buffer().NAME = "saved " + std::to_string(++saves);
  return fesk::UpdateFesk1Record(false) == fesk::kWriteDone;
}

void BM_Save(benchmark::State& state) {
  withFilesOpen(state, true, renameParent);
}

void BM_SaveWithoutHistory(benchmark::State& state) {
  withFilesOpen(state, false, renameParent);
}

void BM_SqlUpdate(benchmark::State& state) {
  takeHistoryAway();
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
BENCHMARK(BM_CascadeRecodeWithoutHistory)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Save)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_SaveWithoutHistory)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_SqlUpdate)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  fesk::bench::prepareFiles();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
