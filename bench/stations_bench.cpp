// Many stations on one data set on the server, each a program of its own (a
// process with a browse window open, working through the program's file
// layer and write routine on its one connection), paging, saving and
// re-coding at once for a while:
//   pg_stations_90_refused        stations or statements the server refused
//                                 a connection (target 0)
//   pg_connections_per_station    the most sessions the stations held at once
//                                 on the server, per station (target <= 1.0)
//   pg_save_p95_ms_90_stations    a save of a changed record (the read-modify-
//                                 write of a shared counter), 95th percentile
//   pg_pgdn_p95_ms_90_stations    a page down in the browse, 95th percentile
//   pg_stations_90_lost_saves     saves reported done whose change is not
//                                 stored at the end (target 0)
// Usage: stations_bench [SECONDS [STATIONS]] (60 s and 90 stations unless
// told), on the server of FESK_BENCH_DATABASE. Not a Google Benchmark: the
// figures are of one run of all the stations.
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_server.h"
#include "bench/engine_session.h"
#include "bench/parent_recode.h"
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"
#include "runtime/frontend/constants.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kSchema = "benchstations";
constexpr int kBrowsed = 5000;  // records paged through
constexpr int kCounters = 20;   // records every station saves, counting its saves
constexpr int kChildren = 20;   // of each station's parent, re-coded with it

std::string numbered(char prefix, int n, int digits) {
  std::string text = std::to_string(n);
  return prefix + std::string(digits - std::min(digits, static_cast<int>(text.size())), '0') + text;
}

// What one station did, written to its report file.
struct Report {
  bool refused = false;  // its connection, or a statement's, was refused
  std::string failure;   // the first failure that was no conflict
  std::vector<int> counted = std::vector<int>(kCounters);  // saves done per counter
  int conflicts = 0;
  int failed = 0;
  int recodes = 0;  // of its parent, done
  std::vector<double> saveMs;
  std::vector<double> pageDownMs;
};

bool refusal(const std::string& why) {
  return why.find("too many clients") != std::string::npos ||
         why.find("connection slots") != std::string::npos;
}

double msSince(Clock::time_point started) {
  return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

const fesk::bench::Browsed& byCode() {
  static const fesk::bench::Browsed browse{&fesk::FESK1, &fesk::FES_KEYCODE, {}};
  return browse;
}

// Notes a failure of the file layer (ERRCODE and its message).
void failedNow(Report& report) {
  ++report.failed;
  const std::string why = apprt::FILEERRORMSG();
  report.refused = report.refused || refusal(why);
  if (report.failure.empty()) report.failure = why;
}

void pageDown(std::mt19937& random, Report& report) {
  fesk::FESK1.buffer().CODE = numbered('R', static_cast<int>(random() % (kBrowsed - 20)), 5);
  fesk::bench::locate(byCode());
  fesk::bench::selectEdgeRow(true);
  apprt::threadWillWait();
  const auto started = Clock::now();
  fesk::bench::serveEvent(byCode(), apprt::kEventPageDown);
  report.pageDownMs.push_back(msSince(started));
  if (apprt::ERRCODE() != apprt::kNoError) failedNow(report);
  apprt::threadWillWait();
}

// Reads the FESK1 record coded `code` watched for changes by others, as a
// form reads the record it changes.
bool readWatched(const std::string& code) {
  fesk::FESK1.clear();
  fesk::FESK1.buffer().CODE = code;
  fesk::FESK1.setOnKeyValue(fesk::FES_KEYCODE);
  fesk::FESK1.watch();
  fesk::FESK1.next();
  return apprt::ERRCODE() == apprt::kNoError && fesk::FESK1.buffer().CODE.text() == code;
}

// Adds one to the number a counter record holds, as read: a save that
// another station's save beat is a conflict, and adds nothing.
void save(std::mt19937& random, Report& report) {
  const int counter = static_cast<int>(random() % kCounters);
  if (!readWatched(numbered('K', counter, 2))) {
    failedNow(report);
    return;
  }
  fesk::RememberFesk1Code();
  fesk::FESK1.buffer().NAME = std::to_string(std::stoi(fesk::FESK1.buffer().NAME.text()) + 1);
  const auto started = Clock::now();
  const int result = fesk::UpdateFesk1Record(false);
  report.saveMs.push_back(msSince(started));
  apprt::threadWillWait();
  if (result == fesk::kWriteDone) ++report.counted[counter];
  if (result == fesk::kWriteChangedElsewhere) ++report.conflicts;
  if (result == fesk::kWriteFailed) failedNow(report);
}

// The station's own parent, P<n> and Q<n> by turns, with its children.
void recode(int station, Report& report) {
  const bool away = report.recodes % 2 == 1;
  const std::string p = numbered('P', station, 3);
  const std::string q = numbered('Q', station, 3);
  if (fesk::bench::recodeParent(away ? q : p, away ? p : q)) {
    ++report.recodes;
  } else {
    failedNow(report);
  }
}

void work(int station, Clock::time_point until, Report& report) {
  fesk::FESK1.open(apprt::kOpenSharedReadWrite);
  fesk::FESK2.open(apprt::kOpenSharedReadWrite);
  fesk::threadBlock().Fesk2OpenCount = 1;  // held open, as the form holds it
  std::mt19937 random(station);
  for (int step = 0; Clock::now() < until; ++step) {
    if (step % 8 == 7) {
      recode(station, report);
    } else if (step % 2 == 0) {
      pageDown(random, report);
    } else {
      save(random, report);
    }
  }
  fesk::threadBlock().Fesk2OpenCount = 0;
  fesk::FESK2.close();
  fesk::FESK1.close();
}

void write(const Report& report, const std::filesystem::path& file) {
  std::ofstream out(file);
  out << report.refused << ' ' << report.conflicts << ' ' << report.failed << ' ' << report.recodes
      << '\n';
  for (int done : report.counted) out << done << ' ';
  out << '\n';
  for (double ms : report.saveMs) out << ms << ' ';
  out << '\n';
  for (double ms : report.pageDownMs) out << ms << ' ';
  out << '\n' << report.failure << '\n';
}

std::vector<double> numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> all;
  for (double value; in >> value;) all.push_back(value);
  return all;
}

Report read(const std::filesystem::path& file) {
  Report report;
  std::ifstream in(file);
  std::string line;
  in >> report.refused >> report.conflicts >> report.failed >> report.recodes;
  std::getline(in, line);
  std::getline(in, line);
  const std::vector<double> counted = numbers(line);
  for (std::size_t i = 0; i < counted.size() && i < report.counted.size(); ++i)
    report.counted[i] = static_cast<int>(counted[i]);
  std::getline(in, line);
  report.saveMs = numbers(line);
  std::getline(in, line);
  report.pageDownMs = numbers(line);
  std::getline(in, report.failure);
  return report;
}

// A station: its program (the data-set lock on its one connection, a browse
// window) works until `until`. Runs in a process of its own.
[[noreturn]] void station(int number, int start, Clock::time_point until,
                          const std::filesystem::path& file) {
  char go = 0;
  [[maybe_unused]] const auto started = ::read(start, &go, 1);  // all at once
  Report report;
  fesk::postgres::SchemaLock lock;
  fesk::postgres::PgDriver driver(fesk::bench::benchServer(), kSchema);
  std::string why;
  if (lock.share(fesk::bench::benchServer(), kSchema, why)) {
    driver.workUnder(lock);
    fesk::FESK1.bindDriver(driver);
    fesk::FESK2.bindDriver(driver);
    fesk::bench::runInBrowseWindow([&] { work(number, until, report); });
  } else {
    report.refused = refusal(why);
    report.failure = why;
  }
  write(report, file);
  lock.release();
  _exit(0);
}

// Runs `sql` on `session`; throws with the server's words when it fails.
void run(PGconn* session, const std::string& sql) {
  PGresult* result = PQexec(session, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  PQclear(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw std::runtime_error(PQerrorMessage(session) + (" in " + sql.substr(0, 80)));
}

int count(PGconn* session, const std::string& sql) {
  PGresult* result = PQexec(session, sql.c_str());
  const int value =
      PQresultStatus(result) == PGRES_TUPLES_OK ? std::stoi(PQgetvalue(result, 0, 0)) : -1;
  PQclear(result);
  return value;
}

// The files made anew: the records paged through, the counters at 0, and a
// parent with its children for each station.
void makeDataSet(PGconn* session, int stations) {
  run(session, "DROP SCHEMA IF EXISTS " + kSchema + " CASCADE");
  fesk::postgres::PgDriver driver(fesk::bench::benchServer(), kSchema);
  const std::vector<const apprt::FileDeclaration*> files = {&fesk::FESK1, &fesk::FESK2};
  for (const apprt::FileDeclaration* file : files) {
    if (const apprt::DriverStatus made = driver.create(*file); !made.ok())
      throw std::runtime_error(made.driverMessage);
  }
  // FESK1 records coded `prefix` and a number of `digits` (0 to count - 1), named `name`.
  const auto numberedRecords = [&](char prefix, int digits, int count, const std::string& name) {
    run(session, "INSERT INTO " + kSchema + ".fesk1 (code, name) SELECT '" +
                     std::string(1, prefix) + "' || lpad(i::text, " + std::to_string(digits) +
                     ", '0'), '" + name + "' FROM generate_series(0, " + std::to_string(count - 1) +
                     ") i");
  };
  numberedRecords('R', 5, kBrowsed, "browsed");
  numberedRecords('K', 2, kCounters, "0");
  numberedRecords('P', 3, stations, "parent");
  const std::string schema = kSchema + ".";
  run(session, "INSERT INTO " + schema +
                   "fesk2 (code, number) SELECT 'P' || lpad(i::text, 3, '0'), j::text "
                   "FROM generate_series(0, " +
                   std::to_string(stations - 1) + ") i, generate_series(1, " +
                   std::to_string(kChildren) + ") j");
  run(session, "ANALYZE " + schema + "fesk1; ANALYZE " + schema + "fesk2");
}

// Saves reported done and not found stored: per counter, the saves done
// beyond its number; per station, a parent whose code or children do not
// show the re-codes done.
long lostSaves(PGconn* session, const std::vector<Report>& reports) {
  long lost = 0;
  for (int counter = 0; counter < kCounters; ++counter) {
    long done = 0;
    for (const Report& report : reports) done += report.counted[counter];
    const int stored = count(session, "SELECT name::int FROM " + kSchema + ".fesk1 WHERE code = '" +
                                          numbered('K', counter, 2) + "'");
    lost += std::abs(done - stored);
  }
  for (std::size_t s = 0; s < reports.size(); ++s) {
    const std::string code =
        numbered(reports[s].recodes % 2 == 0 ? 'P' : 'Q', static_cast<int>(s), 3);
    const int parents =
        count(session, "SELECT count(*) FROM " + kSchema + ".fesk1 WHERE code = '" + code + "'");
    const int children =
        count(session, "SELECT count(*) FROM " + kSchema + ".fesk2 WHERE code = '" + code + "'");
    lost += (parents != 1 || children != kChildren) ? 1 : 0;
  }
  return lost;
}

double p95(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() * 95 / 100];
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const int seconds = argc > 1 ? std::stoi(argv[1]) : 60;
    const int stations = argc > 2 ? std::stoi(argv[2]) : 90;
    PGconn* watch =
        PQconnectdb((fesk::bench::benchServer() + " application_name=stations_bench").c_str());
    if (PQstatus(watch) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(watch));
    makeDataSet(watch, stations);
    const auto reports =
        std::filesystem::temp_directory_path() / ("fesk-stations-" + std::to_string(getpid()));
    std::filesystem::create_directories(reports);
    int start[2];
    if (pipe(start) != 0) throw std::runtime_error("no pipe");
    // A station starts its clock with the others, once every one is forked.
    const auto until = Clock::now() + std::chrono::seconds(seconds) + std::chrono::seconds(2);
    std::vector<pid_t> children;
    for (int s = 0; s < stations; ++s) {
      const pid_t child = fork();
      if (child == 0) {
        close(start[1]);
        station(s, start[0], until, reports / std::to_string(s));
      }
      children.push_back(child);
    }
    close(start[0]);
    close(start[1]);
    // The stations' sessions (their names start with fesk), counted while they work.
    int peak = 0;
    for (std::size_t ended = 0; ended < children.size();) {
      peak = std::max(peak, count(watch,
                                  "SELECT count(*) FROM pg_stat_activity "
                                  "WHERE application_name LIKE 'fesk%'"));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      while (ended < children.size() && waitpid(children[ended], nullptr, WNOHANG) != 0) ++ended;
    }
    std::vector<Report> all;
    Report together;
    int refused = 0;
    for (int s = 0; s < stations; ++s) {
      all.push_back(read(reports / std::to_string(s)));
      const Report& report = all.back();
      refused += report.refused;
      together.conflicts += report.conflicts;
      together.failed += report.failed;
      together.recodes += report.recodes;
      together.saveMs.insert(together.saveMs.end(), report.saveMs.begin(), report.saveMs.end());
      together.pageDownMs.insert(together.pageDownMs.end(), report.pageDownMs.begin(),
                                 report.pageDownMs.end());
      if (together.failure.empty()) together.failure = report.failure;
    }
    const long lost = lostSaves(watch, all);
    run(watch, "DROP SCHEMA IF EXISTS " + kSchema + " CASCADE");
    PQfinish(watch);
    std::filesystem::remove_all(reports);
    std::printf(
        "# %d stations, %d s: %zu saves (%d of them conflicts), %d re-codes, %zu page downs, "
        "%d failed%s%s\n",
        stations, seconds, together.saveMs.size(), together.conflicts, together.recodes,
        together.pageDownMs.size(), together.failed,
        together.failure.empty() ? "" : ", first: ", together.failure.c_str());
    std::printf("# peak sessions: %d\n", peak);
    std::printf("pg_stations_%d_refused=%d\n", stations, refused);
    std::printf("pg_stations_%d_lost_saves=%ld\n", stations, lost);
    std::printf("pg_connections_per_station=%.2f\n", static_cast<double>(peak) / stations);
    std::printf("pg_save_p95_ms_%d_stations=%.1f\n", stations, p95(together.saveMs));
    std::printf("pg_pgdn_p95_ms_%d_stations=%.1f\n", stations, p95(together.pageDownMs));
    return lost == 0 && refused == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "stations_bench: %s\n", e.what());
    return 1;
  }
}
