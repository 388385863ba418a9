// What the history window's first page and a page down cost for a record
// with 1,000,000 entries and for one with 10: each page is a keyed read of
// the record's entries next to the page, so the two should cost alike. The
// entries are written straight into the history table of a data directory
// of their own (FESK_BENCH_DATA/history), once, kept between runs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "procedures/history_pages.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/errors.h"

namespace {

using fesk::FESK1;

constexpr apprt::RecordIdentity kManyEntries = 900000001;
constexpr apprt::RecordIdentity kFewEntries = 900000002;
constexpr int kMany = 1000000;
constexpr int kFew = 10;
// Pages of five, so that both pages of the record with 10 entries are full
// too: the two then show as many rows, and only the history's size differs.
constexpr std::size_t kPageRows = 5;

std::int64_t entriesOf(sqlite3* db, apprt::RecordIdentity record) {
  fesk::sqlite::Statement count(db, "SELECT count(*) FROM history WHERE record = ?1");
  count.bindInt(1, record);
  return count.step() == SQLITE_ROW ? sqlite3_column_int64(count.get(), 0) : -1;
}

// `count` changes of `record`, a second apart, the few ones among the many.
void addEntries(sqlite3* db, apprt::RecordIdentity record, int count) {
  fesk::sqlite::Statement add(
      db,
      "INSERT INTO history (at, who, station, change_group, action, record, before, after) "
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?2) "
      "SELECT strftime('%Y-%m-%dT%H:%M:%fZ', '2020-01-01', '+' || (i * ?3) || ' seconds'), "
      "'bench', 'bench station', i, 'change', ?1, json_array('A1', 'name ' || i), "
      "json_array('A1', 'name ' || (i + 1)) FROM n");
  add.bindInt(1, record);
  add.bindInt(2, count);
  add.bindInt(3, kMany / count);
  add.step();
}

// The data directory, its FESK1 made (and so its history and indexes), and
// the entries of both records.
void prepareHistory() {
  static bool prepared = false;
  if (prepared) return;
  const char* data = std::getenv("FESK_BENCH_DATA");
  const std::string directory = std::string(data ? data : "bench-data") + "/history";
  std::filesystem::create_directories(directory);
  apprt::setDataDirectory(directory);
  fesk::bindDataFiles(fesk::sqlite::defaultDriver());
  FESK1.open(apprt::kOpenSharedReadWrite);
  if (apprt::ERRCODE() == apprt::kFileNotFound) FESK1.create();
  FESK1.close();
  FESK1.open(apprt::kOpenSharedReadWrite);  // gains the history's indexes
  FESK1.close();
  sqlite3* db = nullptr;
  sqlite3_open(fesk::sqlite::defaultDriver().pathOf(FESK1).c_str(), &db);
  if (entriesOf(db, kManyEntries) != kMany || entriesOf(db, kFewEntries) != kFew) {
    sqlite3_exec(db, "BEGIN; DELETE FROM history", nullptr, nullptr, nullptr);
    addEntries(db, kManyEntries, kMany);
    addEntries(db, kFewEntries, kFew);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
  prepared = true;
}

// The first page of the record's history and a page down, as the window
// reads them; false when a read failed.
bool firstPageAndPageDown(apprt::RecordIdentity record) {
  fesk::HistoryPart part{.file = &FESK1, .read = {}};
  part.read.record = record;
  fesk::HistoryPages pages({part}, kPageRows);
  bool moved = false;
  if (!pages.toNewest() || !pages.older(kPageRows, moved) || pages.page().empty()) return false;
  benchmark::DoNotOptimize(pages.page().front().entry.id);
  return true;
}

// Timed after one untimed read, so that both measure a window over a file
// the program has been reading, not the first touch of its pages.
void pageThrough(benchmark::State& state, apprt::RecordIdentity record) {
  prepareHistory();
  FESK1.open(apprt::kOpenSharedReadOnly);
  bool read = firstPageAndPageDown(record);
  for (auto _ : state) {
    if (!read) break;
    read = firstPageAndPageDown(record);
  }
  if (!read) state.SkipWithError("the history read failed");
  FESK1.close();
}

void BM_HistoryPage1M(benchmark::State& state) {
  pageThrough(state, kManyEntries);
}

void BM_HistoryPage10(benchmark::State& state) {
  pageThrough(state, kFewEntries);
}

BENCHMARK(BM_HistoryPage1M)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_HistoryPage10)->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace

BENCHMARK_MAIN();
