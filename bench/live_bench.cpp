// Lists that follow the data set, measured with two stations on one data set:
// station B is the fesk program (its headless front-end), station A another
// program that commits with SQL of its own, not through B's sessions.
//   live_update_ms_sqlite          from A's commit returning to the new row
//                                  shown at B, on SQLite files (median of 20)
//   live_update_ms_pg              the same on the server of
//                                  FESK_BENCH_DATABASE, B reaching it through a
//                                  relay that holds every chunk back 5 ms each way
//   live_idle_queries_pg           statements B sends the server while it shows
//                                  its list and nobody works (10 s, per minute)
//   live_reloads_per_cascade_10k   B's list read again for a parent re-coded with
//                                  its 10,000 children in one transaction at A
// Not a Google Benchmark: each figure is one scenario of a running program.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/start/program_entry.h"
#include "bench/bench_server.h"
#include "data/data_files.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "support/tcp_relay.h"
#include "ui/headless/session.h"

namespace {

using Clock = std::chrono::steady_clock;
using fesk::headless::Session;

constexpr int kRuns = 20;
constexpr int kChildren = 10000;
constexpr auto kPatience = std::chrono::seconds(10);

// Station A: runs SQL on the data set as another program.
using Commit = std::function<void(const std::string& file, const std::string& sql)>;

bool listShows(Session& user, const std::string& code) {
  for (const auto& window : user.frontEnd().windows()) {
    for (const auto& control : window.controls)
      for (const auto& row : control.rows)
        if (!row.empty() && row.front().starts_with(code)) return true;
  }
  return false;
}

// Waits for B to show `code`, polling its screen: answers the milliseconds it took.
double msUntilShown(Session& user, const std::string& code, Clock::time_point committed) {
  const auto deadline = committed + kPatience;
  while (!listShows(user, code) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  return std::chrono::duration<double, std::milli>(Clock::now() - committed).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Figures {
  double updateMs = 0;
  int reloadsPerCascade = 0;
};

// B shows its browse; A inserts a record sorting first kRuns times, then
// re-codes a parent whose 10,000 children go with it in one transaction.
Figures measure(apprt::Driver& driver, const Commit& commit,
                const std::function<void(Session&)>& whileIdle = {}) {
  const std::vector<const apprt::FileDeclaration*> files = {&fesk::FESK1, &fesk::FESK2};
  for (const apprt::FileDeclaration* file : files) {
    if (const apprt::DriverStatus made = driver.create(*file); !made.ok())
      throw std::runtime_error(made.driverMessage);
  }
  Figures figures;
  fesk::ProgramEntry([&](const apprt::Procedure& first) {
    Session user(first);
    user.menu("&fesk");
    commit("FESK2", "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                        std::to_string(kChildren) +
                        ") INSERT INTO fesk2 (code, number) SELECT 'P', CAST(i AS TEXT) FROM n");
    commit("FESK1", "INSERT INTO fesk1 (code, name) VALUES ('P', 'parent')");
    msUntilShown(user, "P", Clock::now());
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
      const std::string code = "A" + std::to_string(100 + run);
      commit("FESK1", "INSERT INTO fesk1 (code, name) VALUES ('" + code + "', 'new')");
      times.push_back(msUntilShown(user, code, Clock::now()));
      user.waitIdle();
    }
    figures.updateMs = median(times);
    if (whileIdle) whileIdle(user);
    const int before = user.frontEnd().followedReloads();
    commit("FESK1",
           "BEGIN; UPDATE fesk2 SET code = 'Q' WHERE code = 'P'; "
           "UPDATE fesk1 SET code = 'Q' WHERE code = 'P'; COMMIT");
    // The parent is below the page: the list is read again all the same, as
    // B cannot know where the changed records stand. A second reload would
    // follow within the watch's quiet time.
    const auto deadline = Clock::now() + kPatience;
    while (user.frontEnd().followedReloads() == before && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    user.waitIdle();
    figures.reloadsPerCascade = user.frontEnd().followedReloads() - before;
    return user.finish();
  });
  return figures;
}

Figures onSqlite() {
  const auto directory = std::filesystem::temp_directory_path() / "fesk-live-bench";
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  apprt::setDataDirectory(directory);
  fesk::bindDataFiles(fesk::sqlite::defaultDriver());
  sqlite3* a = nullptr;
  const Commit commit = [&](const std::string& file, const std::string& sql) {
    sqlite3_open((directory / (file + ".sqlite")).c_str(), &a);
    sqlite3_busy_timeout(a, 10000);
    // One transaction over both files, as the program's cascade is.
    const std::string children = "ATTACH '" + (directory / "FESK2.sqlite").string() + "' AS c; ";
    std::string statements = sql;
    if (file == "FESK1" && sql.find("fesk2") != std::string::npos) {
      statements = children + sql;
      statements.replace(statements.find("UPDATE fesk2"), 12, "UPDATE c.fesk2");
    }
    char* error = nullptr;
    if (sqlite3_exec(a, statements.c_str(), nullptr, nullptr, &error) != SQLITE_OK)
      throw std::runtime_error(std::string(error ? error : "") + " in " + statements);
    sqlite3_close(a);
  };
  Figures figures = measure(fesk::sqlite::defaultDriver(), commit);
  std::filesystem::remove_all(directory);
  return figures;
}

Figures onServer(int& idleStatementsPerMinute) {
  const std::string schema = "benchlive";
  PGconn* a = PQconnectdb(fesk::bench::benchServer().c_str());
  PQsetNoticeProcessor(
      a, [](void*, const char*) {}, nullptr);
  PQclear(PQexec(a, ("DROP SCHEMA IF EXISTS " + schema + " CASCADE").c_str()));
  PQclear(PQexec(a, ("SET search_path = " + schema).c_str()));
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::bench::benchServer()));
  relay.setDelay(std::chrono::milliseconds(5));
  const std::string throughRelay = relay.address() + " user=fesk dbname=postgres";
  fesk::postgres::SchemaLock lock;
  std::string why;
  if (!lock.share(throughRelay, schema, why)) throw std::runtime_error(why);
  fesk::postgres::PgDriver driver(throughRelay, schema);
  driver.workUnder(lock);
  fesk::FESK1.bindDriver(driver);
  fesk::FESK2.bindDriver(driver);
  const Commit commit = [&](const std::string&, const std::string& sql) {
    PGresult* result = PQexec(a, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!ok) throw std::runtime_error(PQerrorMessage(a) + (" in " + sql));
  };
  Figures figures = measure(driver, commit, [&](Session& user) {
    user.waitIdle();
    const int before = relay.roundTrips();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    idleStatementsPerMinute = (relay.roundTrips() - before) * 6;
  });
  PQclear(PQexec(a, ("DROP SCHEMA IF EXISTS " + schema + " CASCADE").c_str()));
  PQfinish(a);
  lock.release();
  return figures;
}

}  // namespace

int main() {
  try {
    const Figures files = onSqlite();
    std::printf("live_update_ms_sqlite=%.1f\n", files.updateMs);
    int idle = -1;
    const Figures server = onServer(idle);
    std::printf("live_update_ms_pg=%.1f\n", server.updateMs);
    std::printf("live_idle_queries_pg=%d\n", idle);
    std::printf("live_reloads_per_cascade_10k=%d\n",
                std::max(files.reloadsPerCascade, server.reloadsPerCascade));
    std::printf("# cascade reloads: %d on SQLite, %d on the server\n", files.reloadsPerCascade,
                server.reloadsPerCascade);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "live_bench: %s\n", e.what());
    return 1;
  }
}
