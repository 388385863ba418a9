#pragma once
// Commits of other programs to the data set on the server, heard on the
// session that holds the data-set lock (pg_schema_lock.h): it listens on the
// data set's channel, which the tables' triggers tell at every commit that
// changed them (pg_schema.h), so an idle station sends the server nothing and
// a notification arrives only once its transaction has committed. A thread of
// the listener's own waits on the session's socket and tells the runtime
// (runtime/files/data_set_change.h) once a burst has gone quiet: an import
// that commits batch after batch is told once, when it is done.
//
// A session that was lost may have missed notifications: once the lock is
// held again on a new session (by the program's first work after the loss,
// as the lock always is), everything shown is to be read again, once.

#include <atomic>
#include <chrono>
#include <thread>

namespace fesk::postgres {

class SchemaLock;

inline constexpr std::chrono::milliseconds kQuietAfterNotification{15};
inline constexpr std::chrono::milliseconds kLostSessionLook{200};  // for a new session

class ChangeListener {
 public:
  explicit ChangeListener(SchemaLock& lock);
  ~ChangeListener();
  ChangeListener(const ChangeListener&) = delete;
  ChangeListener& operator=(const ChangeListener&) = delete;

  // Makes the listener look at the lock's session again (a new one was taken).
  void wake();

 private:
  void run();

  SchemaLock& lock_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace fesk::postgres
