#pragma once
// Who works on a data set on a server: every fesk that uses one holds a shared
// lock for its schema for as long as it runs; replacing the data (a restore, a
// copy with --replace) takes the lock alone, so it knows that no other fesk
// has the data set open, and no fesk opens it until it is done.
//
// The lock is the server's session-level advisory lock, held by a session of
// its own: it outlives every transaction of the files' sessions, and the
// server lets go of it when the session ends, however the process ends, so no
// stale lock is ever left behind. A session the server loses (a restart, an
// administrator, a standby promoted) loses its lock with it: the driver's
// sessions take it again before they read or write (heldAgain).
//
// A session that is closed lets go of its locks only once the server has
// ended it, a moment later; so the lock is let go of explicitly first, and a
// fesk started right after this one never finds it still held.

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "drivers/postgres/pg_change_listener.h"
#include "drivers/postgres/pg_server_session.h"

namespace fesk::postgres {

class SchemaLock {
 public:
  SchemaLock() = default;
  SchemaLock(const SchemaLock&) = delete;
  SchemaLock& operator=(const SchemaLock&) = delete;
  ~SchemaLock();

  // Works on the data set alongside other fesk processes; false, with the
  // reason in `why`, while one has it alone or the server cannot be reached.
  bool share(const std::string& conninfo, const std::string& schema, std::string& why);
  // Works on the data set alone; false, with the reason, while another fesk
  // uses it or the server cannot be reached.
  bool takeAlone(const std::string& conninfo, const std::string& schema, std::string& why);
  void release();

  // The lock as it was taken, taken again when its session was lost; the
  // server cannot be reached (08006) while it cannot be, with the reason (a
  // restore under way, a server that is gone). Nothing while none was taken.
  apprt::DriverStatus heldAgain();

  // A shared lock's session listens for commits to the data set
  // (pg_change_listener.h). The socket to wait on (-1 while no session is
  // open), and in `generation` which session it is (a new number for each
  // session taken).
  int listeningSocket(int& generation);
  // Adds the tables named by the notifications that arrived from other
  // programs (pg_own_sessions.h); a session found lost meanwhile is let go
  // of, for the listener to take the lock again.
  void takeNotifications(std::set<std::string>& tables);

 private:
  bool take(const std::string& conninfo, const std::string& schema, bool alone, std::string& why);
  // With the mutex held: lets go of the lock held, and of its session.
  void letGo();

  std::mutex mutex_;  // the sessions of every thread ask
  std::unique_ptr<ServerSession> session_;
  std::string conninfo_;  // of the lock taken last ("" none)
  std::string schema_;
  bool alone_ = false;
  int generation_ = 0;     // of the session that holds the lock
  std::string channel_;    // the data set's change channel ("" alone)
  bool refused_ = false;   // the last attempt met the lock held by another fesk
  std::string refusedBy_;  // the server that refused it
  // Last, so that it stops before the session it listens on goes.
  std::unique_ptr<ChangeListener> listener_;
};

}  // namespace fesk::postgres
