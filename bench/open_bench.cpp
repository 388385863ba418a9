// What an open costs before the first page shows: open the file, read its
// first 15 records in code order, close it, in a small and in a large file.
// The open's checks must not grow with the file (a large file that was closed
// cleanly is not read whole at its open).
//
// The files are those of bench_files.h.
#include <benchmark/benchmark.h>

#include "bench/bench_files.h"
#include "runtime/errors.h"
#include "runtime/file_declaration.h"
#include "runtime/thread_wait.h"

namespace {

using fesk::bench::BENCH10K;
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

}  // namespace

BENCHMARK_MAIN();
