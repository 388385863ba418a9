// The desktop's first rows, taken as web_bench.py takes the page's: from the
// program's start to its frame painted, plus from the browse chosen in the
// menu to its first rows painted (the choosing itself left out). The whole
// program runs on the desktop front-end, on Qt's offscreen platform, and
// ends once the rows are painted.
//
//   desktop_first_rows DATA_DIRECTORY [STARTED_AT]
//
// STARTED_AT is the monotonic clock's reading, in seconds, when the caller
// started this program, so that its loading counts as the program's start;
// without it the time is counted from main. Prints
// desktop_first_rows_ms_1M=, then the two spans as a comment.

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "app/commands/argument_reader.h"
#include "app/commands/exit_status.h"
#include "app/data_sets/data_set.h"
#include "app/start/program_entry.h"
#include "app/start/program_options.h"
#include "app/start/program_start.h"
#include "runtime/frontend/input.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/run.h"

namespace {

using Clock = std::chrono::steady_clock;

// The menu bar's item that opens the browse.
const QString kBrowseItem = QStringLiteral("&fesk");

QAction* browseItem(QWidget* frame) {
  for (QAction* a : frame->findChildren<QAction*>())
    if (a->text() == kBrowseItem && !a->menu()) return a;
  return nullptr;
}

bool holdsRows(const QTreeWidget* rows) {
  return rows->topLevelItemCount() > 0 && !rows->topLevelItem(0)->text(0).trimmed().isEmpty();
}

// Watches every paint of the application: a moment is taken once the event
// loop turns after the paint that showed it, as the page's clock is read in
// a task queued from the frame that painted.
class FirstRowsWatch : public QObject {
 public:
  FirstRowsWatch(Clock::time_point started, QObject* parent) : QObject(parent), started_(started) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || !watched->isWidgetType() || pending_)
      return QObject::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    auto* frame = qobject_cast<fesk::qt::FrameWindow*>(widget->window());
    if (!frame) return false;
    if (!framePainted_ && browseItem(frame)) {
      afterPaint([this, frame] {
        framePainted_ = Clock::now();
        chooseBrowse(frame);
      });
    } else if (chosen_ && !rowsPainted_) {
      auto* rows = qobject_cast<QTreeWidget*>(widget->parentWidget());
      if (rows && holdsRows(rows))
        afterPaint([this, frame] {
          rowsPainted_ = Clock::now();
          report();
          apprt::deliverInput(apprt::Input::endProgram(frame->handle()));
        });
    }
    return false;
  }

 private:
  template <typename Then>
  void afterPaint(Then then) {
    pending_ = true;
    QTimer::singleShot(0, this, [this, then] {
      pending_ = false;
      then();
    });
  }

  void chooseBrowse(fesk::qt::FrameWindow* frame) {
    // As a person would, a moment after the frame shows; that moment is not
    // counted.
    QTimer::singleShot(10, this, [this, frame] {
      chosen_ = Clock::now();
      browseItem(frame)->trigger();
    });
  }

  void report() const {
    using Ms = std::chrono::duration<double, std::milli>;
    const double start = Ms(*framePainted_ - started_).count();
    const double browse = Ms(*rowsPainted_ - *chosen_).count();
    std::cout << "desktop_first_rows_ms_1M=" << std::lround(start + browse) << "\n"
              << "# the frame painted " << static_cast<long>(start) << " ms after the start, "
              << "the rows " << static_cast<long>(browse) << " ms after the choice\n";
  }

  Clock::time_point started_;
  std::optional<Clock::time_point> framePainted_;
  std::optional<Clock::time_point> chosen_;
  std::optional<Clock::time_point> rowsPainted_;
  bool pending_ = false;
};

Clock::time_point gStarted;

// The watch is in place as soon as the application is, before any window.
void watchPaints() {
  qApp->installEventFilter(new FirstRowsWatch(gStarted, qApp));
}
Q_COREAPP_STARTUP_FUNCTION(watchPaints)

}  // namespace

int main(int argc, char** argv) {
  gStarted = Clock::now();
  if (argc < 2) {
    std::cerr << "usage: desktop_first_rows DATA_DIRECTORY [STARTED_AT]\n";
    return 2;
  }
  if (argc > 2)
    gStarted = Clock::time_point(std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(std::strtod(argv[2], nullptr))));
  fesk::ProgramOptions options;
  fesk::ArgumentReader arguments({"--data-dir", argv[1]});
  if (auto status = fesk::readProgramOptions(
          arguments, options, [] { return std::string("qt"); }, std::cout, std::cerr))
    return *status;
  if (const int status = fesk::chooseStartingDataSet(options); status != fesk::kDone) return status;
  char platformOption[] = "-platform";
  char offscreen[] = "offscreen";
  char* qtArgv[] = {argv[0], platformOption, offscreen, nullptr};
  int qtArgc = 3;
  return fesk::ProgramEntry([&](apprt::Procedure first) {
    return fesk::qt::run(qtArgc, qtArgv, std::move(first), {}, fesk::chosenDataSetName());
  });
}
