// What a page costs through the browse engine, with the calling protocol of a
// browse procedure (a fill of the display entry for every row): a page load
// from a located value, and a page down, in a file of 10,000 and of 1,000,000
// records. The cost of a page should not grow with the file.
//
// The benchmarks run inside a procedure thread of a headless program run,
// with a list window of 15 rows open. The files are those of
// bench_files.h, made when missing.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "bench/bench_files.h"
#include "browse/browse_engine.h"
#include "browse/browse_registry.h"
#include "runtime/file_declaration.h"
#include "runtime/program.h"
#include "runtime/queue.h"
#include "runtime/window_definition.h"
#include "runtime/windows.h"
#include "ui/headless/headless_frontend.h"

namespace {

using fesk::bench::BENCH10K;
using fesk::bench::BENCH1M;
using fesk::bench::BenchRecord;
using fesk::bench::codeOf;

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
  fesk::bench::prepareFiles();
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
