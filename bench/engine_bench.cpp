// What a page costs through the browse engine, with the calling protocol of a
// browse procedure (a fill of the display entry for every row): a page load
// from a located value, and a page down, in a file of 10,000 and of 1,000,000
// records. The cost of a page should not grow with the file.
//
// The benchmarks run inside a procedure thread of a headless program run,
// with a list window of 15 rows open. The files are those of
// file_read_bench (BENCH10K, BENCH1M in FESK_BENCH_DATA), made when missing.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/data_directory.h"
#include "runtime/file_declaration.h"
#include "runtime/program.h"
#include "runtime/queue.h"
#include "runtime/window_definition.h"
#include "runtime/windows.h"
#include "ui/headless/headless_frontend.h"

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

struct Row {
  std::string code;
  std::string name;
  std::string POSITION;
};

constexpr int kList = 1;
constexpr std::string_view kWindow = R"(
module "bench$ENGINE"
window "LIST" mdi "Engine Bench" size 200 160
  list 1 at 4 4 150 118 format "80L(2)|M~code~L(2)@S20@"
)";

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

// The display queue and the browse's file of the running benchmark.
apprt::Queue<Row> rows;

// One run of engine calls until it answers 12, filling a row on action 1.
void drive(const apprt::File<BenchRecord>& file) {
  for (;;) {
    fesk::KX_RunBrowse(kList, file, nullptr, file.key(0), rows, rows.buffer.POSITION);
    const int action = fesk::KX_BrowseProp(kList, fesk::kBrowseAction, 0, true);
    if (action == fesk::kActionFillRow) {
      rows.buffer.code = file.buffer().CODE.text();
      rows.buffer.name = file.buffer().NAME.text();
    } else if (action == fesk::kActionEventDone || action < 0) {
      return;
    }
  }
}

// Loads the page that starts at a code, as a locator key does.
void locate(const apprt::File<BenchRecord>& file, int number) {
  file.buffer().CODE = codeOf(number);
  fesk::KX_BrowseProp(kList, fesk::kBrowseAction, fesk::kActionLoad, false);
  fesk::KX_BrowseProp(kList, fesk::kBrowseSetToKey, 1, false);
  drive(file);
}

// Hands the list the next event, as the window's event loop would.
void nextEvent(int event) {
  apprt::POST(event, kList);
  apprt::endEventLoop(1);
}

void pageLoads(benchmark::State& state, const apprt::File<BenchRecord>& file, int count) {
  std::mt19937 random(7);
  for (auto _ : state) {
    locate(file, static_cast<int>(random() % (count - 40)));
    benchmark::DoNotOptimize(rows.records());
  }
}

void pageDowns(benchmark::State& state, const apprt::File<BenchRecord>& file, int count) {
  std::mt19937 random(11);
  for (auto _ : state) {
    state.PauseTiming();
    locate(file, static_cast<int>(random() % (count - 40)));
    apprt::SELECT(kList, static_cast<int>(rows.records()));
    state.ResumeTiming();
    nextEvent(apprt::kEventPageDown);
    drive(file);
    benchmark::DoNotOptimize(rows.records());
  }
}

void openBrowse(const apprt::File<BenchRecord>& file) {
  static const apprt::FileDeclaration* opened = nullptr;
  if (opened == &file) return;
  if (opened) opened->close();
  file.open(apprt::kOpenSharedReadWrite);
  opened = &file;
}

void BM_EnginePageLoad10k(benchmark::State& state) {
  openBrowse(BENCH10K);
  pageLoads(state, BENCH10K, 10000);
}
void BM_EnginePageLoad1M(benchmark::State& state) {
  openBrowse(BENCH1M);
  pageLoads(state, BENCH1M, 1000000);
}
void BM_EnginePageDown10k(benchmark::State& state) {
  openBrowse(BENCH10K);
  pageDowns(state, BENCH10K, 10000);
}
void BM_EnginePageDown1M(benchmark::State& state) {
  openBrowse(BENCH1M);
  pageDowns(state, BENCH1M, 1000000);
}

BENCHMARK(BM_EnginePageLoad10k);
BENCHMARK(BM_EnginePageLoad1M);
BENCHMARK(BM_EnginePageDown10k);
BENCHMARK(BM_EnginePageDown1M);

}  // namespace

int main(int argc, char** argv) {
  const char* directory = std::getenv("FESK_BENCH_DATA");
  apprt::setDataDirectory(directory ? directory : "bench-data");
  for (auto* file : {&BENCH10K, &BENCH1M}) file->bindDriver(fesk::sqlite::defaultDriver());
  makeFile(BENCH10K, 10000);
  makeFile(BENCH1M, 1000000);
  apprt::registerWindowDefinitions(kWindow);
  fesk::ExtVScrollDefault = 0;  // as the program sets it at start-up

  benchmark::Initialize(&argc, argv);
  fesk::headless::HeadlessFrontEnd frontEnd;
  apprt::ProgramRun run(frontEnd);
  run.start([] {
    apprt::loadWindow("bench$ENGINE", "LIST");
    apprt::bindList(kList, rows);
    apprt::openWindow();
    apprt::startEventLoop();
    // Take the opening events before the first benchmark.
    apprt::POST(apprt::kEventUser + 99, kList);
    while (!apprt::endEventLoop(1) && apprt::EVENT() != apprt::kEventUser + 99) {
    }
    fesk::KX_InitBrowse(kList, static_cast<uint16_t>(apprt::THREAD()), 0, true);
    benchmark::RunSpecifiedBenchmarks();
    apprt::closeWindow();
    apprt::freeWindow();
  });
  return run.wait();
}
