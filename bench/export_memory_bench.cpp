// Peak memory of exporting a file as CSV, at 10,000 and at 1,000,000 records,
// each export in a process of its own so that its peak is its own. The export
// reads a page at a time, so the peak must not grow with the file.
//
// Prints export_peak_kb_10k=, export_peak_kb_1M= and
// export_rss_ratio_1M_vs_10k= (goal: at most 1.5).
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "bench/bench_files.h"
#include "bench/peak_memory.h"
#include "records/csv_export.h"

namespace {

bool exportsWhole(const apprt::FileDeclaration& file, std::uint64_t records) {
  fesk::bench::prepareFiles();
  std::ofstream out("/dev/null", std::ios::binary);
  const auto outcome = fesk::records::exportCsv(file, file.key(0), out);
  return outcome.done && outcome.records == records;
}

}  // namespace

int main() {
  // The files are made (once) by a process of their own, outside the measures.
  if (fesk::bench::peakKilobytesOf([] {
        fesk::bench::prepareFiles();
        return true;
      }) < 0) {
    return 1;
  }
  const long small =
      fesk::bench::peakKilobytesOf([] { return exportsWhole(fesk::bench::BENCH10K, 10000); });
  const long large =
      fesk::bench::peakKilobytesOf([] { return exportsWhole(fesk::bench::BENCH1M, 1000000); });
  if (small <= 0 || large <= 0) {
    std::fprintf(stderr, "an export failed\n");
    return 1;
  }
  std::printf("export_peak_kb_10k=%ld\nexport_peak_kb_1M=%ld\n", small, large);
  std::printf("export_rss_ratio_1M_vs_10k=%.2f\n",
              static_cast<double>(large) / static_cast<double>(small));
  return 0;
}
