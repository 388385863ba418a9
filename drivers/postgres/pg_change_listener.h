#pragma once
// Commits of other programs to the data set on the server, heard on the
// program's connection, which holds the data-set lock (pg_schema_lock.h): it
// listens on the data set's channel, which the tables' triggers tell at every
// commit that changed them (pg_schema.h), so an idle station sends the server
// nothing and a notification arrives only once its transaction has
// committed. A thread of the listener's own waits on the connection's socket
// while no other thread wants the connection (pg_connection.h), and gives it
// up as soon as one does; notifications that arrive while a thread works are
// read then. It tells the runtime (runtime/files/data_set_change.h) once a
// burst has gone quiet: an import that commits batch after batch is told
// once, when it is done.
//
// A session that was lost may have missed notifications: once the lock is
// held again on a new session (by the program's first work after the loss,
// as the lock always is), everything shown is to be read again, once.

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>

namespace fesk::postgres {

class Connection;
class SchemaLock;

inline constexpr std::chrono::milliseconds kQuietAfterNotification{15};
inline constexpr std::chrono::milliseconds kLostSessionLook{200};  // for a new session

class ChangeListener {
 public:
  // Listens through `lock` on `connection`, which it holds.
  ChangeListener(SchemaLock& lock, Connection& connection);
  ~ChangeListener();
  ChangeListener(const ChangeListener&) = delete;
  ChangeListener& operator=(const ChangeListener&) = delete;

  // Makes the listener look at the connection again (a new session was
  // taken, or a thread wants it).
  void wake();

 private:
  void run();
  // In the connection's turn: waits for notifications, a wake-up, or the
  // end of a burst heard; false when no session listens.
  bool listen(std::set<std::string>& heard, int& listenedOn);
  // Empties the wake-up pipe.
  void drainWakes();

  SchemaLock& lock_;
  Connection& connection_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopping_{false};
  std::chrono::steady_clock::time_point lastHeard_;
  std::thread thread_;
};

}  // namespace fesk::postgres
