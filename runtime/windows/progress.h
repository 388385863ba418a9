#pragma once
// Long work of a procedure thread, reported to the user as it goes, with a
// way to stop it: the report's Cancel, or Esc in a window of the thread
// (work_stop.h). Each report lets the other procedure threads have a turn,
// so that their windows go on working meanwhile.

#include <chrono>
#include <string>

#include "runtime/frontend/frontend.h"

namespace apprt {

class Progress {
 public:
  explicit Progress(std::string title);
  ~Progress();  // the report disappears
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Reports `done` of `total` (0: not known); answers false once the user
  // has asked to stop.
  bool update(std::string text, long done, long total = 0);

 private:
  void send();

  ProgressView view_;
  bool stopAsked_ = false;
  std::chrono::steady_clock::time_point lastSent_{};
};

}  // namespace apprt
