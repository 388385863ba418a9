#pragma once
// The calling thread's sessions of one kind of store, one per owner (the
// driver that opened it); a session is used only by its thread. The first
// session of a kind registers with the runtime that before the thread waits,
// every session of the thread is told so: it lets go of its held reads (a
// read that held a file while its thread waited would keep other stations'
// commits out for as long) and has the store answer what it was sent.

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "drivers/common/held_reads.h"
#include "runtime/files/thread_wait.h"

namespace fesk::drivers {

// How long a session lasts and who may use it.
enum class SessionLife {
  // As long as the thread, in a forked child too: the connection to local
  // files, which the files a child inherits are attached to.
  kThread,
  // While its files use it, in the process that opened it only: a server
  // would take a forked child's statements for its parent's.
  kProcessUsers,
};

// Session offers `void beforeThreadWaits()`.
template <class Session>
class ThreadSessions {
 public:
  // The thread's session of `owner`, made by `make` when there is none.
  template <class Make>
  static std::shared_ptr<Session> of(const void* owner, SessionLife life, Make make) {
    static std::once_flag registered;
    std::call_once(registered, [] { apprt::onThreadWillWait(tellThreadWaits); });
    auto& entries = threadEntries();
    std::erase_if(entries, [](const Entry& entry) { return entry.session.expired(); });
    for (const Entry& entry : entries) {
      if (entry.owner == owner && usable(entry)) return entry.session.lock();
    }
    std::shared_ptr<Session> session = make();
    entries.push_back(
        {owner, getpid(), life, session, life == SessionLife::kThread ? session : nullptr});
    return session;
  }

 private:
  struct Entry {
    const void* owner;
    pid_t process;
    SessionLife life;
    std::weak_ptr<Session> session;
    std::shared_ptr<Session> kept;  // SessionLife::kThread
  };

  static bool usable(const Entry& entry) {
    return entry.life == SessionLife::kThread || entry.process == getpid();
  }

  static std::vector<Entry>& threadEntries() {
    thread_local std::vector<Entry> entries;
    return entries;
  }

  static void tellThreadWaits() {
    for (const Entry& entry : threadEntries()) {
      if (!usable(entry)) continue;
      if (auto session = entry.session.lock()) session->beforeThreadWaits();
    }
  }
};

}  // namespace fesk::drivers
