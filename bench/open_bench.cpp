// What an open costs before the first page shows: open the file, read its
// first 15 records in code order, close it, in a small and in a large file.
// The open's checks must not grow with the file (a large file that was closed
// cleanly is not read whole at its open).
//
// After an unclean end (a process that ended with the file open) the file's
// pages are checked, beside the first page: the time to that page at
// 10,000,000 records after an unclean end is compared with the same after a
// clean one.
//
// The files are those of bench_files.h.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench/bench_files.h"
#include "drivers/sqlite/background_check.h"
#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/page_check.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/thread_wait.h"

namespace {

using fesk::bench::BENCH10K;
using fesk::bench::BENCH10M;
using fesk::bench::BENCH1M;
using fesk::bench::BenchRecord;

constexpr int kPageReads = 15;

void openFirstPage(benchmark::State& state, const apprt::File<BenchRecord>& file) {
  fesk::bench::prepareFiles();
  for (auto _ : state) {
    file.open(apprt::kOpenSharedReadWrite);
    file.setOnKey(file.key(0));
    for (int i = 0; i < kPageReads; ++i) file.next();
    benchmark::DoNotOptimize(file.buffer().NAME.bytes[0]);
    apprt::threadWillWait();
    file.close();
  }
  if (apprt::ERRCODE() != 0) state.SkipWithError("the open or a read failed");
}

void BM_OpenFirstPage10k(benchmark::State& state) {
  openFirstPage(state, BENCH10K);
}
void BM_OpenFirstPage1M(benchmark::State& state) {
  openFirstPage(state, BENCH1M);
}

BENCHMARK(BM_OpenFirstPage10k);
BENCHMARK(BM_OpenFirstPage1M);

// The mark that a process which ended with BENCH10M open leaves beside it,
// made once by such a process; put back before each open after an unclean
// end (a fork in the measured loop would slow this process down).
std::filesystem::path markOfAnUncleanEnd(const std::filesystem::path& database) {
  const pid_t child = fork();
  if (child == 0) {
    BENCH10M.open(apprt::kOpenSharedReadWrite);
    _exit(0);  // no close: the mark of the open stays behind
  }
  waitpid(child, nullptr, 0);
  const std::string mark = database.filename().string() + "-open-";
  for (const auto& entry : std::filesystem::directory_iterator(database.parent_path())) {
    if (entry.path().filename().string().starts_with(mark)) return entry.path();
  }
  return {};
}

// The wall time from the open to the first page shown: a check beside it
// takes no time of this thread, but may slow it down.
void firstPageOf10M(benchmark::State& state, bool afterUncleanEnd) {
  fesk::bench::prepareTenMillionFile();
  const auto path = fesk::sqlite::defaultDriver().pathOf(BENCH10M);
  const auto mark = afterUncleanEnd ? markOfAnUncleanEnd(path) : std::filesystem::path();
  if (afterUncleanEnd && mark.empty()) state.SkipWithError("no mark of an unclean end");
  for (auto _ : state) {
    if (afterUncleanEnd) std::ofstream{mark};
    const auto start = std::chrono::steady_clock::now();
    BENCH10M.open(apprt::kOpenSharedReadWrite);
    BENCH10M.setOnKey(BENCH10M.key(0));
    for (int i = 0; i < kPageReads; ++i) BENCH10M.next();
    benchmark::DoNotOptimize(BENCH10M.buffer().NAME.bytes[0]);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (apprt::ERRCODE() != 0) state.SkipWithError("the open or a read failed");
    apprt::threadWillWait();
    BENCH10M.close();
    // The next open comes after a whole check of the file by another thread
    // in both cases, so that both first pages are timed from the same state
    // (a thread that waited seconds finds its caches cold): after an unclean
    // end it is the check that the open started.
    if (afterUncleanEnd) {
      fesk::sqlite::BackgroundChecks::forThisProcess().waitFor(path);
    } else {
      std::thread([&path] {
        fesk::sqlite::PrivateConnection connection(path, SQLITE_OPEN_READONLY);
        fesk::sqlite::checkPages(connection.db(), "main", BENCH10M);
      }).join();
    }
  }
}

void BM_FirstPage10MAfterCleanEnd(benchmark::State& state) {
  firstPageOf10M(state, false);
}
void BM_FirstPage10MAfterUncleanEnd(benchmark::State& state) {
  firstPageOf10M(state, true);
}

// Each unclean iteration waits for a whole check of the file (seconds).
BENCHMARK(BM_FirstPage10MAfterCleanEnd)->UseManualTime()->Iterations(5);
BENCHMARK(BM_FirstPage10MAfterUncleanEnd)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
