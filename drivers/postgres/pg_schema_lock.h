#pragma once
// Who works on a data set on a server: every fesk that uses one holds a shared
// lock for its schema for as long as it runs; replacing the data (a restore, a
// copy with --replace) takes the lock alone, so it knows that no other fesk
// has the data set open, and no fesk opens it until it is done.
//
// The lock is the server's session-level advisory lock, held on the program's
// connection (pg_connection.h), which the driver's work shares: it outlives
// every transaction, and the server lets go of it when the session ends,
// however the process ends, so no stale lock is ever left behind. A session
// the server loses (a restart, an administrator, a standby promoted) loses
// its lock with it: the connection opened anew takes it again before any
// other statement (heldAgain), and is given up when it cannot.
//
// A session that is closed lets go of its locks only once the server has
// ended it, a moment later; so the lock is let go of explicitly first, and a
// fesk started right after this one never finds it still held.

#include <memory>
#include <set>
#include <string>

#include "drivers/postgres/pg_change_listener.h"
#include "drivers/postgres/pg_connection.h"

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

  // The connection the lock is held on, for the driver's work (null before
  // the lock was first asked for).
  std::shared_ptr<Connection> connection() const { return connection_; }

  // The lock as it was taken, taken again on a connection opened anew; the
  // server cannot be reached (08006) while it cannot be, with the reason (a
  // restore under way, a server that is gone), and the connection is closed.
  // Nothing while none was taken. In the turn of the connection's holder.
  apprt::DriverStatus heldAgain();

  // A shared lock's connection listens for commits to the data set
  // (pg_change_listener.h); these are the listener's, in its turn. The
  // socket to wait on (-1 while no session listens), and in `generation`
  // which session it is (a new number for each session the lock was taken on).
  int listeningSocket(int& generation);
  // Adds the tables named by the notifications that arrived from other
  // programs (pg_own_sessions.h), read by any thread's work or now; false
  // when none did. A session found lost meanwhile is closed.
  bool takeNotifications(std::set<std::string>& tables);

 private:
  // In the connection's turn: the connection for `conninfo`, made anew for another server.
  void connectTo(const std::string& conninfo);
  bool take(const std::string& conninfo, const std::string& schema, bool alone, std::string& why);
  // Lets go of the lock held on the open session.
  void letGo();

  std::shared_ptr<Connection> connection_;
  std::string connectedTo_;  // the connection string of connection_
  std::string conninfo_;     // of the lock taken last ("" none)
  std::string schema_;
  bool alone_ = false;
  int lockedOn_ = 0;       // the link's opening the lock is held on (0 none)
  int generation_ = 0;     // of the session that holds the lock
  std::string channel_;    // the data set's change channel ("" alone)
  bool refused_ = false;   // the last attempt met the lock held by another fesk
  std::string refusedBy_;  // the server that refused it
  // Last, so that it stops before the connection it listens on goes.
  std::unique_ptr<ChangeListener> listener_;
};

}  // namespace fesk::postgres
