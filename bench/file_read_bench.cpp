// What reading a file costs: a page (a locate plus 15 forward reads) in a small
// and in a large file, in code and in name order, and a long sequential run
// through the file layer against stepping one raw SQLite statement over the
// same index.
//
// The files are those of bench_files.h.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <random>

#include "bench/bench_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/thread_wait.h"

namespace {

using fesk::bench::BENCH10K;
using fesk::bench::BENCH1M;
using fesk::bench::BenchRecord;
using fesk::bench::codeOf;
using fesk::bench::nameOf;

constexpr int kPageReads = 15;
constexpr int kRunLength = 10000;

void openFiles() {
  static bool opened = false;
  if (opened) return;
  fesk::bench::prepareFiles();
  BENCH10K.open(apprt::kOpenSharedReadWrite);
  BENCH1M.open(apprt::kOpenSharedReadWrite);
  opened = true;
}

// One page: locate a random code (or the name of a random record that does
// not share its name), read it and the 15 records after it; then the thread
// waits for the user, as a browse does after a page.
void readPages(benchmark::State& state, const apprt::File<BenchRecord>& file, int count, int key) {
  openFiles();
  std::mt19937 random(7);
  for (auto _ : state) {
    const int number = static_cast<int>(random() % (count - kPageReads));
    if (key == 0)
      file.buffer().CODE = codeOf(number);
    else
      file.buffer().NAME = nameOf(number | 1, count);
    file.setOnKeyValue(file.key(key));
    for (int i = 0; i <= kPageReads; ++i) file.next();
    benchmark::DoNotOptimize(file.buffer().NAME.bytes[0]);
    apprt::threadWillWait();
  }
  if (apprt::ERRCODE() != 0) state.SkipWithError("a read failed");
}

// A run of forward reads through the file layer, from the start of the key.
void BM_DriverSequential(benchmark::State& state) {
  openFiles();
  for (auto _ : state) {
    BENCH1M.setOnKey(BENCH1M.key(0));
    for (int i = 0; i < kRunLength; ++i) BENCH1M.next();
    benchmark::DoNotOptimize(BENCH1M.buffer().NAME.bytes[0]);
  }
  if (apprt::ERRCODE() != 0) state.SkipWithError("a read failed");
  state.SetItemsProcessed(state.iterations() * kRunLength);
}

// The same run as one raw statement over the same index, copying each row's
// fields into a record image.
void BM_RawSqliteSequential(benchmark::State& state) {
  openFiles();
  sqlite3* db = nullptr;
  sqlite3_open_v2(fesk::sqlite::defaultDriver().pathOf(BENCH1M).c_str(), &db, SQLITE_OPEN_READONLY,
                  nullptr);
  fesk::sqlite::Statement statement(
      db, "SELECT id, CODE, NAME FROM BENCH1M INDEXED BY \"BENCH1M.KEYCODE\" ORDER BY CODE, id");
  char record[40];
  for (auto _ : state) {
    for (int i = 0; i < kRunLength && statement.step() == SQLITE_ROW; ++i) {
      for (int column = 1; column <= 2; ++column) {
        const auto text = statement.columnText(column);
        std::memcpy(record + static_cast<std::ptrdiff_t>(20 * (column - 1)), text.data(),
                    std::min<std::size_t>(text.size(), 20));
      }
      benchmark::DoNotOptimize(statement.columnInt(0));
    }
    benchmark::DoNotOptimize(record[0]);
    statement.reset();
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRunLength);
}

BENCHMARK_CAPTURE(readPages, code_10k, BENCH10K, fesk::bench::k10k, 0);
BENCHMARK_CAPTURE(readPages, code_1M, BENCH1M, fesk::bench::k1M, 0);
BENCHMARK_CAPTURE(readPages, name_10k, BENCH10K, fesk::bench::k10k, 1);
BENCHMARK_CAPTURE(readPages, name_1M, BENCH1M, fesk::bench::k1M, 1);
BENCHMARK(BM_DriverSequential);
BENCHMARK(BM_RawSqliteSequential);

}  // namespace

BENCHMARK_MAIN();
