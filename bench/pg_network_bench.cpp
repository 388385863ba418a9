// What a workstation pays to reach the server over a network: the server of
// FESK_BENCH_DATABASE reached through a relay that holds every chunk back by
// half of a round trip each way (tests/support/tcp_relay.h), which also counts
// the round trips. The round trip is 10 ms, or FESK_BENCH_ROUND_TRIP_US
// microseconds.
//   - a page down through the browse engine, in FESK1 of 1,000,000 records;
//   - opening FESK1 on a new session and loading its first page, the
//     data-set lock taken as the program takes it;
//   - re-coding a parent with 10,000 children through the program's write
//     routine, and one SQL UPDATE of the same children;
//   - importing 10,000 rows into FESK1 (records/csv_import.h), and a COPY of
//     the same rows.
// Each reports its round trips (counter round_trips) and its real time. The
// files are FESK1 and FESK2 in the schema "benchnet", filled on the server
// itself when they are missing.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <stdexcept>

#include "bench/bench_relay.h"
#include "bench/bench_server.h"
#include "bench/engine_session.h"
#include "bench/parent_recode.h"
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "drivers/postgres/pg_driver.h"
#include "records/csv_import.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"
#include "runtime/frontend/constants.h"

namespace {

using fesk::FESK1;
using fesk::FESK2;
using fesk::bench::benchServer;
using fesk::bench::delayEachWay;
using fesk::bench::findParent;
using fesk::bench::recodeFound;
using fesk::bench::recodeParent;
using fesk::bench::relay;
using fesk::bench::reportTrips;
using fesk::bench::throughRelay;
using fesk::bench::Trips;

constexpr int kRecords = 1000000;
constexpr int kChildren = 10000;
constexpr int kImportRows = 10000;
const std::string kSchema = "benchnet";
const std::string kParent = "P00000001";
const std::string kOtherCode = "Q";

// The server's answer to `sql` in a session of its own, not through the relay.
void runDirect(const std::string& sql) {
  PGconn* session = PQconnectdb(benchServer().c_str());
  PQclear(PQexec(session, sql.c_str()));
  PQfinish(session);
}

fesk::postgres::PgDriver& driver() {
  static fesk::postgres::PgDriver driver(throughRelay(), kSchema);
  return driver;
}

// FESK1 of kRecords codes P00000000... and FESK2 with kChildren children of kParent.
void prepareFiles() {
  FESK1.bindDriver(driver());
  FESK2.bindDriver(driver());
  FESK1.open(apprt::kOpenSharedReadWrite);
  if (apprt::ERRCODE() == 0) {
    FESK1.close();
    return;
  }
  FESK1.create();
  FESK2.create();
  const std::string schema = "\"" + kSchema + "\".";
  runDirect("INSERT INTO " + schema +
            "fesk1 (code, name) SELECT 'P' || lpad(n::text, 8, '0'), 'name ' || n "
            "FROM generate_series(0, " +
            std::to_string(kRecords - 1) + ") n; INSERT INTO " + schema +
            "fesk2 (code, number) SELECT '" + kParent + "', n::text FROM generate_series(1, " +
            std::to_string(kChildren) + ") n; ANALYZE " + schema + "fesk1; ANALYZE " + schema +
            "fesk2");
}

// The children's file without the dead rows of the last re-code, so that
// every re-code starts from the same file and no vacuum of the server's own
// runs beside the one measured.
void vacuumChildren(benchmark::State& state) {
  state.PauseTiming();
  runDirect("VACUUM \"" + kSchema + "\".fesk2");
  state.ResumeTiming();
}

// FESK1 by code (made at first use: the key is declared in another file's statics).
const fesk::bench::Browsed& byCode() {
  static const fesk::bench::Browsed browse{&FESK1, &fesk::FES_KEYCODE, {}};
  return browse;
}

void BM_PgPageDown(benchmark::State& state) {
  FESK1.open(apprt::kOpenSharedReadWrite);
  std::mt19937 random(11);
  int trips = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FESK1.buffer().CODE = "P" + std::to_string(100000000 + random() % (kRecords - 100)).substr(1);
    fesk::bench::locate(byCode());
    fesk::bench::selectEdgeRow(true);
    apprt::threadWillWait();
    const Trips counted;
    state.ResumeTiming();
    fesk::bench::serveEvent(byCode(), apprt::kEventPageDown);
    trips += counted.count();
  }
  reportTrips(state, trips);
  FESK1.close();
}

// A new driver each time: a new session, the lock taken as the program takes it.
void BM_PgOpenFirstPage(benchmark::State& state) {
  int trips = 0;
  for (auto _ : state) {
    const Trips counted;
    fesk::postgres::SchemaLock lock;
    fesk::postgres::PgDriver fresh(throughRelay(), kSchema);
    std::string why;
    if (!lock.share(throughRelay(), kSchema, why)) state.SkipWithError(why.c_str());
    fresh.workUnder(lock);
    FESK1.bindDriver(fresh);
    FESK1.open(apprt::kOpenSharedReadWrite);
    fesk::bench::serveEvent(byCode(), apprt::kEventScrollTop);
    apprt::threadWillWait();
    trips += counted.count();
    FESK1.close();
    lock.release();
  }
  FESK1.bindDriver(driver());
  reportTrips(state, trips);
}

// Each iteration gives the parent a new code; the next gives it back. The
// time is the save's, from a record the user has found (as the UPDATE it is
// held against finds nothing first); the round trips count the find too.
void BM_PgCascade10k(benchmark::State& state) {
  FESK1.open(apprt::kOpenSharedReadWrite);
  FESK2.open(apprt::kOpenSharedReadWrite);
  fesk::threadBlock().Fesk2OpenCount = 1;  // held open, as the form holds it
  int trips = 0;
  bool away = false;
  for (auto _ : state) {
    vacuumChildren(state);
    const Trips counted;
    state.PauseTiming();
    const bool found = findParent(away ? kOtherCode : kParent);
    state.ResumeTiming();
    if (!found || !recodeFound(away ? kParent : kOtherCode)) {
      state.SkipWithError("the cascade failed");
      break;
    }
    away = !away;
    trips += counted.count();
  }
  if (away) recodeParent(kOtherCode, kParent);
  fesk::threadBlock().Fesk2OpenCount = 0;
  FESK2.close();
  FESK1.close();
  reportTrips(state, trips);
}

// One UPDATE, as a person at the server's own client would write it.
void BM_PgSqlUpdate10k(benchmark::State& state) {
  PGconn* session = PQconnectdb(throughRelay().c_str());
  bool away = false;
  for (auto _ : state) {
    vacuumChildren(state);
    const std::string sql = "UPDATE \"" + kSchema + "\".fesk2 SET code = '" +
                            (away ? kParent : kOtherCode) + "' WHERE code = '" +
                            (away ? kOtherCode : kParent) + "'";
    PQclear(PQexec(session, sql.c_str()));
    away = !away;
  }
  if (away) {
    PQclear(PQexec(session, ("UPDATE \"" + kSchema + "\".fesk2 SET code = '" + kParent +
                             "' WHERE code = '" + kOtherCode + "'")
                                .c_str()));
  }
  PQfinish(session);
}

std::string importRows() {
  std::string csv = "CODE,NAME\n";
  for (int n = 0; n < kImportRows; ++n) csv += "N" + std::to_string(n) + ",imported\n";
  return csv;
}

void removeImported() {
  runDirect("DELETE FROM \"" + kSchema + "\".fesk1 WHERE code LIKE 'N%'");
}

void BM_PgImport10k(benchmark::State& state) {
  const std::string csv = importRows();
  int trips = 0;
  for (auto _ : state) {
    std::istringstream in(csv);
    const Trips counted;
    const auto outcome = fesk::records::importCsv(FESK1, in);
    trips += counted.count();
    state.PauseTiming();
    removeImported();
    state.ResumeTiming();
    if (!outcome.stored || outcome.added != kImportRows) {
      state.SkipWithError(("the import failed: " + outcome.why).c_str());
      break;
    }
  }
  reportTrips(state, trips);
}

// The same rows with COPY, as the server's own client copies a file in (one
// statement, its own transaction), into the same table with its keys. A COPY
// that stored fewer rows would flatter the import: it ends the benchmark.
void BM_PgCopy10k(benchmark::State& state) {
  std::string rows;
  for (int n = 0; n < kImportRows; ++n) rows += "N" + std::to_string(n) + "\timported\n";
  PGconn* session = PQconnectdb(throughRelay().c_str());
  const std::string copy = "COPY \"" + kSchema + "\".fesk1 (code, name) FROM STDIN";
  const std::string done = "COPY " + std::to_string(kImportRows);
  for (auto _ : state) {
    PGresult* started = PQexec(session, copy.c_str());
    const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
    PQclear(started);
    const bool sent = copying &&
                      PQputCopyData(session, rows.data(), static_cast<int>(rows.size())) == 1 &&
                      PQputCopyEnd(session, nullptr) == 1;
    PGresult* ended = PQgetResult(session);
    const bool stored = sent && PQresultStatus(ended) == PGRES_COMMAND_OK &&
                        std::string(PQcmdStatus(ended)) == done;
    PQclear(ended);
    for (PGresult* more = PQgetResult(session); more; more = PQgetResult(session)) PQclear(more);
    state.PauseTiming();
    removeImported();
    state.ResumeTiming();
    if (!stored) {
      state.SkipWithError(PQerrorMessage(session));
      break;
    }
  }
  PQfinish(session);
}

BENCHMARK(BM_PgPageDown)->UseRealTime()->Iterations(20);
BENCHMARK(BM_PgOpenFirstPage)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PgCascade10k)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PgSqlUpdate10k)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PgImport10k)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PgCopy10k)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  relay().setDelay(delayEachWay());
  prepareFiles();
  benchmark::Initialize(&argc, argv);
  return fesk::bench::runInBrowseWindow([] { benchmark::RunSpecifiedBenchmarks(); });
}
