#include "drivers/postgres/pg_change_listener.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "drivers/postgres/pg_connection.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "runtime/files/data_set_change.h"

namespace fesk::postgres {
namespace {

void tell(std::set<std::string>& tables) {
  for (const std::string& table : tables) apprt::dataSetChanged(table);
  tables.clear();
}

}  // namespace

ChangeListener::ChangeListener(SchemaLock& lock, Connection& connection)
    : lock_(lock), connection_(connection) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_ = ends[0];
    wakeWrite_ = ends[1];
  }
  connection_.whenWanted([this] { wake(); });
  thread_ = std::thread([this] { run(); });
}

ChangeListener::~ChangeListener() {
  stopping_ = true;
  wake();
  connection_.nudge();
  thread_.join();
  connection_.whenWanted(nullptr);
  close(wakeRead_);
  close(wakeWrite_);
}

void ChangeListener::wake() {
  const char byte = 1;
  [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
}

void ChangeListener::drainWakes() {
  char drained[64];
  while (read(wakeRead_, drained, sizeof drained) > 0) {
  }
}

bool ChangeListener::listen(std::set<std::string>& heard, int& listenedOn) {
  int generation = 0;
  const int socket = lock_.listeningSocket(generation);
  if (generation != listenedOn) {
    if (listenedOn != 0) {
      heard.insert(apprt::kAnyDataFile);
      lastHeard_ = std::chrono::steady_clock::now();
    }
    listenedOn = generation;
  }
  if (socket < 0) return false;
  // What the threads' work read meanwhile, first.
  if (lock_.takeNotifications(heard)) lastHeard_ = std::chrono::steady_clock::now();
  int timeout = -1;
  if (!heard.empty()) {
    const auto quietFor = kQuietAfterNotification - (std::chrono::steady_clock::now() - lastHeard_);
    timeout = static_cast<int>(
        std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(quietFor).count()));
  }
  pollfd waits[2] = {{wakeRead_, POLLIN, 0}, {socket, POLLIN, 0}};
  const int ready = poll(waits, 2, timeout);
  drainWakes();
  if (ready > 0 && waits[1].revents != 0 && lock_.takeNotifications(heard)) {
    lastHeard_ = std::chrono::steady_clock::now();
  }
  return true;
}

void ChangeListener::run() {
  int listenedOn = 0;  // the lock's session generation listened on
  std::set<std::string> heard;
  while (connection_.takeWhenUnwanted(stopping_)) {
    const bool listening = listen(heard, listenedOn);
    connection_.giveBack();
    if (!heard.empty() &&
        std::chrono::steady_clock::now() - lastHeard_ >= kQuietAfterNotification) {
      tell(heard);
    }
    // A lost session is taken again by the first work of the program, as
    // the lock always was (a restore may have it meanwhile); its new session
    // is listened on from then on.
    if (!listening) {
      pollfd wakeUp{wakeRead_, POLLIN, 0};
      const auto look = heard.empty() ? kLostSessionLook
                                      : std::min<std::chrono::milliseconds>(
                                            kLostSessionLook, kQuietAfterNotification);
      poll(&wakeUp, 1, static_cast<int>(look.count()));
      drainWakes();
    }
  }
}

}  // namespace fesk::postgres
