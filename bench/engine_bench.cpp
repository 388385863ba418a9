// What a page costs through the browse engine, with the calling protocol of a
// browse procedure (a fill of the display entry for every row), in a file of
// 10,000 and of 1,000,000 records. The cost of a page should not grow with
// the file:
//   - a page load from a located value and a page down, in code and in name
//     order;
//   - the first page of a file just opened (a new connection, nothing cached
//     by SQLite);
//   - page down and page up inside the name that half the records share, from
//     a random record of it;
//   - page down and the last page of a child browse over the parent that owns
//     a tenth of the children;
//   - a Find by prefix, the last key of a code's start typed into the search
//     line, at 10,000 and at 10,000,000 records.
// The files are those of bench_files.h, made when missing.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "bench/bench_files.h"
#include "bench/engine_session.h"
#include "runtime/frontend/constants.h"

namespace {

using fesk::bench::Browsed;
using fesk::bench::k10k;
using fesk::bench::k10M;
using fesk::bench::k1M;

const apprt::FileDeclaration& mainFile(int count) {
  if (count == k10M) return fesk::bench::BENCH10M;
  return count == k10k ? static_cast<const apprt::FileDeclaration&>(fesk::bench::BENCH10K)
                       : fesk::bench::BENCH1M;
}
const apprt::FileDeclaration& childFile(int count) {
  return count == k10k ? static_cast<const apprt::FileDeclaration&>(fesk::bench::CHILD10K)
                       : fesk::FESK2;
}

// Keeps the benchmark's file open in the procedure thread, and only it.
void openOnly(const apprt::FileDeclaration& file) {
  static const apprt::FileDeclaration* opened = nullptr;
  if (opened == &file) return;
  if (opened) opened->close();
  file.open(apprt::kOpenSharedReadWrite);
  opened = &file;
}

Browsed byKey(int count, int key) {
  const auto& file = mainFile(count);
  openOnly(file);
  return {&file, &file.key(key), {}};
}

Browsed children(int count) {
  const auto& file = childFile(count);
  openOnly(file);
  return {&file, &file.key(0), fesk::bench::kBigParent};
}

// Puts a random code, or the name of a random record that shares it with few
// others, into the record buffer.
void randomKeyValue(const Browsed& browse, int key, int count, std::mt19937& random) {
  const int number = static_cast<int>(random() % (count - 40));
  if (key == 0)
    browse.file->field(0).assign(fesk::bench::codeOf(number));
  else
    browse.file->field(1).assign(fesk::bench::nameOf(number | 1, count));
}

void pageLoads(benchmark::State& state, int count, int key) {
  const Browsed browse = byKey(count, key);
  std::mt19937 random(7);
  for (auto _ : state) {
    randomKeyValue(browse, key, count, random);
    fesk::bench::locate(browse);
  }
}

void pageDowns(benchmark::State& state, int count, int key) {
  const Browsed browse = byKey(count, key);
  std::mt19937 random(11);
  for (auto _ : state) {
    state.PauseTiming();
    randomKeyValue(browse, key, count, random);
    fesk::bench::locate(browse);
    fesk::bench::selectEdgeRow(true);
    state.ResumeTiming();
    fesk::bench::serveEvent(browse, apprt::kEventPageDown);
  }
}

void coldFirstPages(benchmark::State& state, int count) {
  const Browsed browse = byKey(count, 0);
  for (auto _ : state) {
    browse.file->close();
    browse.file->open(apprt::kOpenSharedReadWrite);
    fesk::bench::serveEvent(browse, apprt::kEventScrollTop);
  }
}

// From a random record among many with one key value, a page down or up.
void pagesAmongEquals(benchmark::State& state, const Browsed& browse, int every, int count,
                      int event) {
  std::mt19937 random(13);
  const bool down = event == apprt::kEventPageDown;
  for (auto _ : state) {
    state.PauseTiming();
    const int index = static_cast<int>(random() % (count / every)) * every;
    fesk::bench::repositionOn(browse, fesk::bench::identityOf(index));
    fesk::bench::selectEdgeRow(down);
    state.ResumeTiming();
    fesk::bench::serveEvent(browse, event);
  }
}

void sharedNamePages(benchmark::State& state, int count, int event) {
  pagesAmongEquals(state, byKey(count, 1), 2, count, event);
}

void childPageDowns(benchmark::State& state, int count) {
  pagesAmongEquals(state, children(count), 10, count, apprt::kEventPageDown);
}

void childLastPages(benchmark::State& state, int count) {
  const Browsed browse = children(count);
  for (auto _ : state) fesk::bench::serveEvent(browse, apprt::kEventScrollBottom);
}

// The start of a random code, typed into the search line (which locates the
// first code that starts with it through the key and loads its page), timed
// for its last key: one Find by the whole prefix. Eight characters of a code
// start a hundred codes at either size.
void findPrefixes(benchmark::State& state, int count) {
  const Browsed browse = byKey(count, 0);
  std::mt19937 random(17);
  for (auto _ : state) {
    state.PauseTiming();
    const std::string prefix = fesk::bench::codeOf(static_cast<int>(random() % count)).substr(0, 8);
    fesk::bench::startFind();
    for (char c : prefix.substr(0, prefix.size() - 1)) fesk::bench::typeIntoFind(browse, c);
    state.ResumeTiming();
    fesk::bench::typeIntoFind(browse, prefix.back());
  }
}

BENCHMARK_CAPTURE(pageLoads, code_10k, k10k, 0);
BENCHMARK_CAPTURE(pageLoads, code_1M, k1M, 0);
BENCHMARK_CAPTURE(pageLoads, name_10k, k10k, 1);
BENCHMARK_CAPTURE(pageLoads, name_1M, k1M, 1);
BENCHMARK_CAPTURE(pageDowns, code_10k, k10k, 0);
BENCHMARK_CAPTURE(pageDowns, code_1M, k1M, 0);
BENCHMARK_CAPTURE(pageDowns, name_10k, k10k, 1);
BENCHMARK_CAPTURE(pageDowns, name_1M, k1M, 1);
BENCHMARK_CAPTURE(coldFirstPages, code_10k, k10k);
BENCHMARK_CAPTURE(coldFirstPages, code_1M, k1M);
BENCHMARK_CAPTURE(sharedNamePages, down_10k, k10k, apprt::kEventPageDown);
BENCHMARK_CAPTURE(sharedNamePages, down_1M, k1M, apprt::kEventPageDown);
BENCHMARK_CAPTURE(sharedNamePages, up_10k, k10k, apprt::kEventPageUp);
BENCHMARK_CAPTURE(sharedNamePages, up_1M, k1M, apprt::kEventPageUp);
BENCHMARK_CAPTURE(childPageDowns, range_10k, k10k);
BENCHMARK_CAPTURE(childPageDowns, range_1M, k1M);
BENCHMARK_CAPTURE(childLastPages, range_10k, k10k);
BENCHMARK_CAPTURE(childLastPages, range_1M, k1M);
BENCHMARK_CAPTURE(findPrefixes, code_10k, k10k);
BENCHMARK_CAPTURE(findPrefixes, code_10M, k10M);

}  // namespace

int main(int argc, char** argv) {
  fesk::bench::prepareFiles();
  fesk::bench::prepareTenMillionFile();
  benchmark::Initialize(&argc, argv);
  return fesk::bench::runInBrowseWindow([] { benchmark::RunSpecifiedBenchmarks(); });
}
