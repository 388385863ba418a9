// What a page costs on a PostgreSQL server: the page a browse loads (the rows
// above the located record read backward, then the page read forward from its
// top) in a file of 10,000 and of 1,000,000 records, in time and in round
// trips to the server, counted in libpq's own trace of the session.
//
// The files are BENCH10K and BENCH1M of bench_files.h, kept in the schema
// "bench" of the server that FESK_BENCH_DATABASE names (bench/run starts a
// throwaway one), and filled on the server itself when they are missing.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

#include "bench/bench_files.h"
#include "bench/bench_server.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_round_trips.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace {

using fesk::bench::BENCH10K;
using fesk::bench::BENCH1M;
using fesk::bench::BenchRecord;
using fesk::bench::benchServer;
using fesk::bench::codeOf;

constexpr int kRowsAbove = 7;
constexpr int kPageRows = 15;

fesk::postgres::PgDriver& driver() {
  static fesk::postgres::PgDriver driver(benchServer(), "bench");
  return driver;
}

void fill(const apprt::FileDeclaration& file, int count) {
  file.open(apprt::kOpenSharedReadWrite);
  if (apprt::ERRCODE() == 0) {
    file.close();
    return;
  }
  file.create();
  PGconn* session = PQconnectdb(benchServer().c_str());
  const std::string table = "bench." + file.fileName();
  const std::string sql = "INSERT INTO " + table +
                          " (code, name) SELECT 'C' || lpad(n::text, 9, "
                          "'0'), 'name of ' || n FROM generate_series(0, " +
                          std::to_string(count - 1) + ") n; ANALYZE " + table;
  PQclear(PQexec(session, sql.c_str()));
  PQfinish(session);
}

void openFiles() {
  static bool opened = false;
  if (opened) return;
  for (auto* file : {&BENCH10K, &BENCH1M}) file->bindDriver(driver());
  fill(BENCH10K, 10000);
  fill(BENCH1M, 1000000);
  BENCH10K.open(apprt::kOpenSharedReadWrite);
  BENCH1M.open(apprt::kOpenSharedReadWrite);
  opened = true;
}

// One page as a browse loads it at a located code; then the thread waits
// for the user, which drops what was read ahead.
void loadPage(const apprt::File<BenchRecord>& file, int number) {
  file.buffer().CODE = codeOf(number);
  file.setOnKeyValue(file.key(0));
  for (int i = 0; i < kRowsAbove; ++i) file.previous();
  file.resetToPosition(file.key(0), file.positionByKey(file.key(0)));
  for (int i = 0; i <= kPageRows; ++i) file.next();
  benchmark::DoNotOptimize(file.buffer().NAME.bytes[0]);
  apprt::threadWillWait();
}

void pages(benchmark::State& state, const apprt::File<BenchRecord>& file, int count) {
  openFiles();
  std::mt19937 random(7);
  loadPage(file, count / 2);  // the statements are prepared once per session
  fesk::postgres::RoundTripCounter trips(driver().session()->libpq());
  for (auto _ : state) {
    loadPage(file, kRowsAbove + static_cast<int>(random() % (count - 2 * kPageRows)));
  }
  if (apprt::ERRCODE() != 0) state.SkipWithError("a read failed");
  state.counters["round_trips_per_page"] =
      static_cast<double>(trips.count()) / static_cast<double>(state.iterations());
}

void BM_PgPage10k(benchmark::State& state) {
  pages(state, BENCH10K, 10000);
}
void BM_PgPage1M(benchmark::State& state) {
  pages(state, BENCH1M, 1000000);
}

BENCHMARK(BM_PgPage10k)->UseRealTime();
BENCHMARK(BM_PgPage1M)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
