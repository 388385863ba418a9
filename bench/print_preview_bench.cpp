// Peak memory of the desktop's print preview (offscreen) of a list of 10,000
// and of 1,000,000 records, each in a process of its own: the pages are laid
// out, then every page is brought into sight in turn, first to last. The
// preview keeps where its pages start and the pages in sight, so its peak
// must not grow with the list.
//
// Prints preview_peak_kb_10k=, preview_peak_kb_1M=, preview_pages_1M= and
// print_preview_rss_ratio_1M_vs_10k= (goal: at most 1.5).
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/bench_files.h"
#include "bench/peak_memory.h"
#include "runtime/files/errors.h"
#include "runtime/windows/served_list.h"
#include "ui/qt/desktop.h"
#include "ui/qt/page_view.h"
#include "ui/qt/print_preview_window.h"

namespace {

using fesk::bench::BenchRecord;

// A benchmark file in the order of its code key, each record placed at its
// position in that order.
class CodeOrderSource : public apprt::PlacedListSource {
 public:
  explicit CodeOrderSource(apprt::File<BenchRecord>& file) : file_(file) {}

  bool read(std::vector<apprt::PrintedItem>& items) override {
    items.clear();
    places_.clear();
    if (!started_) {
      if (from_.empty())
        file_.setOnKey(file_.key(0));
      else
        file_.resetToPosition(file_.key(0), from_);
      started_ = true;
    }
    while (items.size() < 50) {
      file_.next();
      if (apprt::ERRCODE() != apprt::kNoError) break;
      places_.push_back(file_.positionByKey(file_.key(0)));
      items.push_back({{file_.buffer().CODE.text(), file_.buffer().NAME.text()}, {}});
    }
    return !items.empty();
  }
  const std::vector<std::string>& places() const override { return places_; }
  void readFrom(const std::string& place) override {
    from_ = place;
    started_ = false;
  }

 private:
  apprt::File<BenchRecord>& file_;
  std::string from_;
  bool started_ = false;
  std::vector<std::string> places_;
};

bool previewsWhole(apprt::File<BenchRecord>& file, bool large) {
  fesk::bench::prepareFiles();
  // The preview needs no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);  // NOLINT(concurrency-mt-unsafe)
  int argc = 1;
  char name[] = "print_preview_bench";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  file.open(apprt::kOpenSharedReadOnly);
  CodeOrderSource source(file);
  auto list = std::make_shared<apprt::ServedList>(
      apprt::PrintedListHeader{"Bench", "bench", "2026-01-01", {"Code", "Name"}}, source);
  fesk::qt::Desktop desktop([](const apprt::Input&) {});
  desktop.showPrintPreview(list);
  fesk::qt::PrintPreviewWindow* preview = desktop.printPreview();
  if (!preview) return false;
  preview->resize(700, 900);
  while (!preview->counted() && desktop.printPreview())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  if (!desktop.printPreview()) return false;
  fesk::qt::PageView* pages = preview->pages();
  const int count = pages->pageCount();
  for (int page = 0; page < count; ++page) {
    pages->showPage(page);
    pages->viewport()->repaint();
  }
  const bool whole = pages->currentPage() == count - 1;
  if (whole && large) std::printf("preview_pages_1M=%d\n", count);
  std::fflush(stdout);
  return whole;
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
      fesk::bench::peakKilobytesOf([] { return previewsWhole(fesk::bench::BENCH10K, false); });
  const long large =
      fesk::bench::peakKilobytesOf([] { return previewsWhole(fesk::bench::BENCH1M, true); });
  if (small <= 0 || large <= 0) {
    std::fprintf(stderr, "a preview failed\n");
    return 1;
  }
  std::printf("preview_peak_kb_10k=%ld\npreview_peak_kb_1M=%ld\n", small, large);
  std::printf("print_preview_rss_ratio_1M_vs_10k=%.2f\n",
              static_cast<double>(large) / static_cast<double>(small));
  return 0;
}
