// Whether a list on the server costs the same at 10,000,000 records as at
// 10,000: the server of FESK_BENCH_DATABASE reached through a relay that
// holds every chunk back by 5 ms each way (tests/support/tcp_relay.h;
// FESK_BENCH_ROUND_TRIP_US sets the round trip), FESK1 of 10,000 records
// (argument 0) and of 10,000,000 (argument 1; FESK_BENCH_SCALE_RECORDS sets
// another number for a quick look), each benchmark's real time at both:
//   - opening FESK1 on a new session and loading its first page;
//   - a page down from a random page;
//   - the last page (Ctrl+End) from the first;
//   - the last character of a code's start typed into the list's search line;
//   - a record with children in FESK2 given a new code through the
//     program's write routine (the save, from the record found).
// The files of each size live in a schema of their own ("net10k", "net10m",
// "net<N>" for another number), filled on the server itself the first time
// and kept: a later run fills only a schema that is missing or not marked
// filled with its number of records.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>

#include "bench/bench_relay.h"
#include "bench/bench_server.h"
#include "bench/engine_session.h"
#include "bench/parent_recode.h"
#include "data/data_files.h"
#include "data/thread_block.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"
#include "runtime/frontend/constants.h"

namespace {

using fesk::FESK1;
using fesk::FESK2;
using fesk::bench::benchServer;
using fesk::bench::delayEachWay;
using fesk::bench::relay;
using fesk::bench::reportTrips;
using fesk::bench::throughRelay;
using fesk::bench::Trips;

constexpr int kSmallRecords = 10000;
// Children of the record re-coded; FESK2 holds as many again for every tenth record.
constexpr int kChildren = 100;

int largeRecords() {
  const char* named = std::getenv("FESK_BENCH_SCALE_RECORDS");
  return named ? std::stoi(named) : 10000000;
}

struct Scale {
  std::string schema;
  int records;
};

// The files of the benchmark's argument: 0 the small, 1 the large.
Scale scaleOf(std::int64_t argument) {
  if (argument == 0) return {"net10k", kSmallRecords};
  const int records = largeRecords();
  return {records == 10000000 ? "net10m" : "net" + std::to_string(records), records};
}

// The code of the record numbered `n`: "P00000000" on, in the order of the key.
std::string codeOf(int n) {
  return "P" + std::to_string(100000000 + n).substr(1);
}

// The record re-coded, away from its place and back; its code sorts among
// the others and is no record's at the start.
std::string parentOf(const Scale& scale) {
  return codeOf(scale.records / 2 + 1);
}
const std::string kAwayCode = "Q";

// Runs `sql` on the server itself, not through the relay, and answers the
// first column of its last row ("" when none); throws when it fails.
std::string runDirect(const std::string& sql) {
  PGconn* session = PQconnectdb(benchServer().c_str());
  std::string failure;
  std::string answer;
  PGresult* result = PQexec(session, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    failure = PQerrorMessage(session);
  } else if (PQntuples(result) > 0) {
    answer = PQgetvalue(result, PQntuples(result) - 1, 0);
  }
  PQclear(result);
  PQfinish(session);
  if (!failure.empty()) throw std::runtime_error(failure);
  return answer;
}

fesk::postgres::PgDriver& driverOf(const Scale& scale) {
  static std::map<std::string, std::unique_ptr<fesk::postgres::PgDriver>> drivers;
  auto& driver = drivers[scale.schema];
  if (!driver) driver = std::make_unique<fesk::postgres::PgDriver>(throughRelay(), scale.schema);
  return *driver;
}

std::string filledMark(const Scale& scale) {
  return "filled with " + std::to_string(scale.records) + " records";
}

// Both files made by the program, then filled without their keys' indexes
// (made again afterwards, which is many times faster than keeping them up
// row by row) and without the history of the rows added.
void fill(const Scale& scale) {
  runDirect("DROP SCHEMA IF EXISTS " + scale.schema + " CASCADE");
  fesk::postgres::PgDriver made(benchServer(), scale.schema);
  FESK1.bindDriver(made);
  FESK2.bindDriver(made);
  FESK1.create();
  if (apprt::ERRCODE() == 0) FESK2.create();
  if (apprt::ERRCODE() != 0) throw std::runtime_error("cannot make the files of " + scale.schema);
  const std::string count = std::to_string(scale.records);
  const std::string s = scale.schema + ".";
  runDirect(
      "SET session_replication_role = replica; SET maintenance_work_mem = '512MB'; "
      "DO $$ DECLARE made text[]; BEGIN "
      "SELECT array_agg(pg_get_indexdef(i.indexrelid)) INTO made FROM pg_index i "
      "WHERE i.indrelid IN ('" +
      s + "fesk1'::regclass, '" + s +
      "fesk2'::regclass) "
      "AND NOT i.indisprimary; "
      "EXECUTE (SELECT string_agg('DROP INDEX ' || i.indexrelid::regclass::text, '; ') "
      "FROM pg_index i WHERE i.indrelid IN ('" +
      s + "fesk1'::regclass, '" + s +
      "fesk2'::regclass) AND NOT i.indisprimary); "
      "INSERT INTO " +
      s +
      "fesk1 (code, name) SELECT 'P' || lpad(n::text, 8, '0'), "
      "'name ' || n FROM generate_series(0, " +
      count +
      " - 1) n; "
      "INSERT INTO " +
      s +
      "fesk2 (code, number) SELECT 'P' || lpad((n * 10)::text, 8, '0'), "
      "n::text FROM generate_series(0, " +
      count +
      " / 10 - 1) n; "
      "INSERT INTO " +
      s + "fesk2 (code, number) SELECT '" + parentOf(scale) +
      "', n::text FROM generate_series(1, " + std::to_string(kChildren) +
      ") n; "
      "FOR i IN 1 .. array_length(made, 1) LOOP EXECUTE made[i]; END LOOP; END $$");
  runDirect("VACUUM ANALYZE " + s + "fesk1, " + s + "fesk2");
  // The fill's pages written out now, not by the server's next checkpoint
  // while the benchmarks run.
  runDirect("CHECKPOINT");
  runDirect("COMMENT ON SCHEMA " + scale.schema + " IS '" + filledMark(scale) + "'");
}

// The files of both sizes, filled when they are not.
void prepareFiles() {
  for (const std::int64_t argument : {0, 1}) {
    const Scale scale = scaleOf(argument);
    const std::string mark = runDirect(
        "SELECT coalesce(obj_description(oid, 'pg_namespace'), '') FROM pg_namespace "
        "WHERE nspname = '" +
        scale.schema + "'");
    if (mark != filledMark(scale)) fill(scale);
  }
}

// FESK1 by code (made at first use: the key is declared in another file's statics).
const fesk::bench::Browsed& byCode() {
  static const fesk::bench::Browsed browse{&FESK1, &fesk::FES_KEYCODE, {}};
  return browse;
}

// FESK1 and FESK2 of the benchmark's size, open while it lives.
class OpenFiles {
 public:
  explicit OpenFiles(const Scale& scale) {
    FESK1.bindDriver(driverOf(scale));
    FESK2.bindDriver(driverOf(scale));
    FESK1.open(apprt::kOpenSharedReadWrite);
  }
  ~OpenFiles() { FESK1.close(); }
  OpenFiles(const OpenFiles&) = delete;
  OpenFiles& operator=(const OpenFiles&) = delete;
};

// A new driver each time: a new session, the data-set lock taken as the program takes it.
void BM_PgScaleOpenFirstPage(benchmark::State& state) {
  const Scale scale = scaleOf(state.range(0));
  int trips = 0;
  for (auto _ : state) {
    const Trips counted;
    fesk::postgres::SchemaLock lock;
    fesk::postgres::PgDriver fresh(throughRelay(), scale.schema);
    std::string why;
    if (!lock.share(throughRelay(), scale.schema, why)) state.SkipWithError(why.c_str());
    fresh.workUnder(lock);
    FESK1.bindDriver(fresh);
    FESK1.open(apprt::kOpenSharedReadWrite);
    fesk::bench::serveEvent(byCode(), apprt::kEventScrollTop);
    apprt::threadWillWait();
    trips += counted.count();
    FESK1.close();
    lock.release();
  }
  reportTrips(state, trips);
}

void BM_PgScalePageDown(benchmark::State& state) {
  const Scale scale = scaleOf(state.range(0));
  const OpenFiles open(scale);
  std::mt19937 random(11);
  int trips = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FESK1.buffer().CODE = codeOf(static_cast<int>(random() % (scale.records - 100)));
    fesk::bench::locate(byCode());
    fesk::bench::selectEdgeRow(true);
    apprt::threadWillWait();
    const Trips counted;
    state.ResumeTiming();
    fesk::bench::serveEvent(byCode(), apprt::kEventPageDown);
    trips += counted.count();
  }
  reportTrips(state, trips);
}

void BM_PgScaleLastPage(benchmark::State& state) {
  const Scale scale = scaleOf(state.range(0));
  const OpenFiles open(scale);
  int trips = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fesk::bench::serveEvent(byCode(), apprt::kEventScrollTop);
    apprt::threadWillWait();
    const Trips counted;
    state.ResumeTiming();
    fesk::bench::serveEvent(byCode(), apprt::kEventScrollBottom);
    trips += counted.count();
  }
  reportTrips(state, trips);
}

// The start of a random code typed into the search line, timed for its last
// key: eight characters of a code start ten codes at either size.
void BM_PgScaleLocate(benchmark::State& state) {
  const Scale scale = scaleOf(state.range(0));
  const OpenFiles open(scale);
  std::mt19937 random(17);
  int trips = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string prefix = codeOf(static_cast<int>(random() % scale.records)).substr(0, 8);
    fesk::bench::startFind();
    for (char c : prefix.substr(0, prefix.size() - 1)) fesk::bench::typeIntoFind(byCode(), c);
    apprt::threadWillWait();
    const Trips counted;
    state.ResumeTiming();
    fesk::bench::typeIntoFind(byCode(), prefix.back());
    trips += counted.count();
  }
  reportTrips(state, trips);
}

// Each iteration gives the parent a new code; the next gives it back.
void BM_PgScaleRecode(benchmark::State& state) {
  const Scale scale = scaleOf(state.range(0));
  const OpenFiles open(scale);
  FESK2.open(apprt::kOpenSharedReadWrite);
  fesk::threadBlock().Fesk2OpenCount = 1;  // held open, as the form holds it
  const std::string home = parentOf(scale);
  int trips = 0;
  bool away = false;
  for (auto _ : state) {
    state.PauseTiming();
    const bool found = fesk::bench::findParent(away ? kAwayCode : home);
    const Trips counted;
    state.ResumeTiming();
    if (!found || !fesk::bench::recodeFound(away ? home : kAwayCode)) {
      state.SkipWithError("the re-code failed");
      break;
    }
    away = !away;
    trips += counted.count();
  }
  if (away) fesk::bench::recodeParent(kAwayCode, home);
  fesk::threadBlock().Fesk2OpenCount = 0;
  FESK2.close();
  reportTrips(state, trips);
}

BENCHMARK(BM_PgScaleOpenFirstPage)->Arg(0)->Arg(1)->UseRealTime()->Iterations(10);
BENCHMARK(BM_PgScalePageDown)->Arg(0)->Arg(1)->UseRealTime()->Iterations(20);
BENCHMARK(BM_PgScaleLastPage)->Arg(0)->Arg(1)->UseRealTime()->Iterations(10);
BENCHMARK(BM_PgScaleLocate)->Arg(0)->Arg(1)->UseRealTime()->Iterations(20);
BENCHMARK(BM_PgScaleRecode)->Arg(0)->Arg(1)->UseRealTime()->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  relay().setDelay(delayEachWay());
  try {
    prepareFiles();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "pg_scale_bench: %s\n", failure.what());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  return fesk::bench::runInBrowseWindow([] { benchmark::RunSpecifiedBenchmarks(); });
}
