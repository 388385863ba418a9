#include "app/commands/progress_line.h"

#include <unistd.h>

#include <iostream>

namespace fesk {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(200);

}  // namespace

ProgressLine::ProgressLine(std::string what, std::string unit)
    : what_(std::move(what)), unit_(std::move(unit)), onTerminal_(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
  // "\033[K" clears from the cursor to the end of the line.
  if (shown_) std::cerr << "\r\033[K" << std::flush;
}

void ProgressLine::show(std::uint64_t count) {
  if (!onTerminal_) return;
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - last_ < kInterval) return;
  last_ = now;
  shown_ = true;
  std::cerr << '\r' << what_ << ": " << count << ' ' << unit_ << std::flush;
}

}  // namespace fesk
