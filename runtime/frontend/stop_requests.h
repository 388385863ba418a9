#pragma once
// The user's asking to stop long work, which a front-end takes on its own
// thread while the procedure thread that does the work goes on
// (runtime/windows/progress.h).

#include <mutex>
#include <set>

#include "runtime/frontend/frontend.h"

namespace apprt {

// What a front-end keeps of the works the user asked to stop: asked on the
// front-end's thread, read by the procedure thread's next report.
class StopRequests {
 public:
  void ask(int progressId);
  // Whether the work `view` reports on was asked to stop; forgotten once the
  // work has ended.
  bool asked(const ProgressView& view);

 private:
  std::mutex mutex_;
  std::set<int> asked_;
};

}  // namespace apprt
