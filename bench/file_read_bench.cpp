// What reading a file costs: a page (a locate plus 15 forward reads) in a small
// and in a large file, and a long sequential run through the file layer
// against stepping one raw SQLite statement over the same index.
//
// The files are made once in the data directory given by FESK_BENCH_DATA (they
// are kept between runs): BENCH10K with 10,000 records and BENCH1M with
// 1,000,000, with unique codes.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/data_directory.h"
#include "runtime/errors.h"
#include "runtime/file_declaration.h"
#include "runtime/thread_wait.h"

namespace {

using apprt::FixedString;

struct BenchRecord {
  FixedString<20> CODE;
  FixedString<20> NAME;
};

apprt::File<BenchRecord> BENCH10K("BENCH10K", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                  {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"}});
apprt::File<BenchRecord> BENCH1M("BENCH1M", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                 {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"}});

constexpr int kPageReads = 15;
constexpr int kRunLength = 10000;

std::string codeOf(int number) {
  char code[16];
  std::snprintf(code, sizeof code, "C%09d", number);
  return code;
}

int storedCount(const std::string& path, const std::string& table) {
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    fesk::sqlite::Statement statement(db, "SELECT max(id) FROM " + table);
    if (statement.prepared() && statement.step() == SQLITE_ROW) {
      count = static_cast<int>(statement.columnInt(0));
    }
  }
  sqlite3_close(db);
  return count;
}

// Makes the file with `count` records unless it is there already: one
// transaction, one prepared insert.
void makeFile(const apprt::FileDeclaration& file, int count) {
  const auto path = fesk::sqlite::SqliteDriver::pathOf(file).string();
  if (storedCount(path, file.fileName()) == count) return;
  file.create();
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  {
    fesk::sqlite::Statement insert(
        db, "INSERT INTO " + file.fileName() + " (CODE, NAME) VALUES (?1, ?2)");
    for (int i = 0; i < count; ++i) {
      insert.bindText(1, codeOf(i));
      insert.bindText(2, "name of " + std::to_string(i));
      insert.step();
      insert.reset();
    }
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

void openFiles() {
  static bool opened = false;
  if (opened) return;
  const char* directory = std::getenv("FESK_BENCH_DATA");
  apprt::setDataDirectory(directory ? directory : "bench-data");
  for (auto* file : {&BENCH10K, &BENCH1M}) file->bindDriver(fesk::sqlite::defaultDriver());
  makeFile(BENCH10K, 10000);
  makeFile(BENCH1M, 1000000);
  BENCH10K.open(apprt::kOpenSharedReadWrite);
  BENCH1M.open(apprt::kOpenSharedReadWrite);
  opened = true;
}

// One page: locate a random code, read it and the 15 records after it; then
// the thread waits for the user, as a browse does after a page.
void readPages(benchmark::State& state, const apprt::File<BenchRecord>& file, int count) {
  openFiles();
  std::mt19937 random(7);
  for (auto _ : state) {
    file.buffer().CODE = codeOf(static_cast<int>(random() % (count - kPageReads)));
    file.setOnKeyValue(file.key(0));
    for (int i = 0; i <= kPageReads; ++i) file.next();
    benchmark::DoNotOptimize(file.buffer().NAME.bytes[0]);
    apprt::threadWillWait();
  }
  if (apprt::ERRCODE() != 0) state.SkipWithError("a read failed");
}

void BM_Page10k(benchmark::State& state) {
  readPages(state, BENCH10K, 10000);
}
void BM_Page1M(benchmark::State& state) {
  readPages(state, BENCH1M, 1000000);
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
  sqlite3_open_v2(fesk::sqlite::SqliteDriver::pathOf(BENCH1M).c_str(), &db, SQLITE_OPEN_READONLY,
                  nullptr);
  fesk::sqlite::Statement statement(
      db, "SELECT id, CODE, NAME FROM BENCH1M INDEXED BY \"BENCH1M.KEYCODE\" ORDER BY CODE, id");
  char record[40];
  for (auto _ : state) {
    for (int i = 0; i < kRunLength && statement.step() == SQLITE_ROW; ++i) {
      for (int column = 1; column <= 2; ++column) {
        const auto text = statement.columnText(column);
        std::memcpy(record + 20 * (column - 1), text.data(),
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

BENCHMARK(BM_Page10k);
BENCHMARK(BM_Page1M);
BENCHMARK(BM_DriverSequential);
BENCHMARK(BM_RawSqliteSequential);

}  // namespace

BENCHMARK_MAIN();
