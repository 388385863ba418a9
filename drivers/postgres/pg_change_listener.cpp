#include "drivers/postgres/pg_change_listener.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <set>
#include <string>

#include "drivers/postgres/pg_schema_lock.h"
#include "runtime/files/data_set_change.h"

namespace fesk::postgres {
namespace {

void tell(std::set<std::string>& tables) {
  for (const std::string& table : tables) apprt::dataSetChanged(table);
  tables.clear();
}

}  // namespace

ChangeListener::ChangeListener(SchemaLock& lock) : lock_(lock) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_ = ends[0];
    wakeWrite_ = ends[1];
  }
  thread_ = std::thread([this] { run(); });
}

ChangeListener::~ChangeListener() {
  stopping_ = true;
  wake();
  thread_.join();
  close(wakeRead_);
  close(wakeWrite_);
}

void ChangeListener::wake() {
  const char byte = 1;
  [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
}

void ChangeListener::run() {
  int listenedOn = 0;  // the lock's session generation listened on
  std::set<std::string> heard;
  while (!stopping_) {
    int generation = 0;
    const int socket = lock_.listeningSocket(generation);
    if (generation != listenedOn) {
      if (listenedOn != 0) heard.insert(apprt::kAnyDataFile);
      listenedOn = generation;
    }
    pollfd waits[2] = {{wakeRead_, POLLIN, 0}, {socket, POLLIN, 0}};
    int timeout = -1;
    if (socket < 0) timeout = static_cast<int>(kLostSessionLook.count());
    if (socket >= 0 && !heard.empty()) timeout = static_cast<int>(kQuietAfterNotification.count());
    const int ready = poll(waits, socket < 0 ? 1 : 2, timeout);
    char drained[64];
    while (read(wakeRead_, drained, sizeof drained) > 0) {
    }
    if (stopping_) break;
    // A lost session is taken again by the first work of the program, as
    // the lock always was (a restore may have it meanwhile); its new session
    // is listened on from then on.
    if (socket < 0) continue;
    const bool arrived = ready > 0 && (waits[1].revents != 0);
    if (arrived) lock_.takeNotifications(heard);
    if (!heard.empty() && ready == 0) tell(heard);
  }
}

}  // namespace fesk::postgres
