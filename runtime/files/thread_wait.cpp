#include "runtime/files/thread_wait.h"

#include <mutex>
#include <vector>

namespace apprt {
namespace {
std::mutex gListenersMutex;
std::vector<std::function<void()>>& listeners() {
  static std::vector<std::function<void()>> all;
  return all;
}
}  // namespace

void onThreadWillWait(std::function<void()> listener) {
  std::lock_guard lock(gListenersMutex);
  listeners().push_back(std::move(listener));
}

void threadWillWait() {
  std::vector<std::function<void()>> copy;
  {
    std::lock_guard lock(gListenersMutex);
    copy = listeners();
  }
  for (auto& l : copy) l();
}

}  // namespace apprt
