#pragma once
// A log of the events that test procedures see, shared by every procedure
// thread of a test, and a procedure that runs one test window with it.

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk::test {

struct Seen {
  std::string window;  // the window's label
  int event = 0, field = 0, key = 0;
  bool operator==(const Seen&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << "{" << s.window << " " << s.event << "," << s.field << "," << s.key << "}";
}

using Events = std::vector<std::pair<int, int>>;

// The events of one window, as {event, field} pairs.
inline Events eventsOf(const std::vector<Seen>& seen, const std::string& window) {
  Events out;
  for (const auto& s : seen)
    if (s.window == window) out.emplace_back(s.event, s.field);
  return out;
}

class EventLog {
 public:
  void add(Seen s) {
    std::lock_guard lock(mutex_);
    seen_.push_back(std::move(s));
  }
  void note(const std::string& what) { add({what, 0, 0, 0}); }
  std::vector<Seen> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(seen_, {});
  }
  std::vector<Seen> all() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  // Takes everything from the log and answers the events of one window.
  Events takeEventsOf(const std::string& window) { return eventsOf(take(), window); }

 private:
  mutable std::mutex mutex_;
  std::vector<Seen> seen_;
};

// What a test procedure does with an event; answers the loop step.
using Handler = std::function<int(int event, int field)>;

// Loads window `label` of the test module, opens it and runs its event loop,
// logging every event, until the loop ends; then closes and frees it.
inline void runLoggedWindow(const std::string& label, EventLog& log, const Handler& handler = {}) {
  apprt::loadWindow("test$WINDOWS", label);
  apprt::openWindow();
  apprt::startEventLoop();
  int step = 0;
  while (!apprt::endEventLoop(step)) {
    log.add({label, apprt::EVENT(), apprt::FIELD(), apprt::KEYCODE()});
    step = handler ? handler(apprt::EVENT(), apprt::FIELD()) : 0;
  }
  apprt::closeWindow();
  apprt::freeWindow();
}

}  // namespace fesk::test
