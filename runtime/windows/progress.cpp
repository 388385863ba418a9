#include "runtime/windows/progress.h"

#include <atomic>

#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/work_stop.h"

namespace apprt {
namespace {

// Reports closer together than this would only keep the screen busy.
constexpr std::chrono::milliseconds kReportInterval{50};

std::atomic<int> gNextProgress{1};

}  // namespace

Progress::Progress(std::string title) {
  view_.id = gNextProgress++;
  view_.window = newestOpenWindow();
  view_.title = std::move(title);
  workBegins();
}

Progress::~Progress() {
  workEnds();
  view_.ended = true;
  try {
    send();
  } catch (const ProgramHalted&) {
    // The program is ending; its front-end no longer shows the report.
  }
}

bool Progress::update(std::string text, long done, long total) {
  view_.text = std::move(text);
  view_.done = done;
  view_.total = total;
  const auto now = std::chrono::steady_clock::now();
  if (lastSent_ == std::chrono::steady_clock::time_point{} || now - lastSent_ >= kReportInterval) {
    lastSent_ = now;
    send();
  }
  if (workStopTyped()) stopAsked_ = true;
  return !stopAsked_;
}

void Progress::send() {
  if (whileUnlocked([&] { return frontEnd().progress(view_); })) stopAsked_ = true;
}

}  // namespace apprt
