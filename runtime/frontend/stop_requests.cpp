#include "runtime/frontend/stop_requests.h"

namespace apprt {

void StopRequests::ask(int progressId) {
  std::lock_guard lock(mutex_);
  asked_.insert(progressId);
}

bool StopRequests::asked(const ProgressView& view) {
  std::lock_guard lock(mutex_);
  return view.ended ? asked_.erase(view.id) > 0 : asked_.count(view.id) > 0;
}

}  // namespace apprt
