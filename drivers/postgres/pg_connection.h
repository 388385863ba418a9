#pragma once
// The program's one connection to the server for a data set: the libpq
// session (pg_server_link.h), the statements prepared in it and the writes
// queued for it (pg_pipeline.h), and the transaction under way on it
// (pg_transaction.h). Every thread of the program works on it, and so do the
// data-set lock and its change listener (pg_schema_lock.h), so that a
// program costs the server one connection whatever its windows and threads.
//
// Threads take turns. A thread has the connection from its first statement
// until nothing of its work is left on it: a statement answered, or a
// transaction from its begin to its commit or roll-back, never interleaved
// with another thread's statements. A thread that wants the connection while
// another has it waits, at most a time it is given. The change listener
// holds it only while nobody else wants it, and is told to give it up
// (whenWanted) as soon as somebody does.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "drivers/common/held_reads.h"
#include "drivers/postgres/pg_early_layout.h"
#include "drivers/postgres/pg_pipeline.h"
#include "drivers/postgres/pg_server_link.h"
#include "drivers/postgres/pg_transaction.h"

namespace fesk::postgres {

class Connection {
 public:
  explicit Connection(std::string conninfo, SessionRules rules = {});
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // A connection of its own for work beside this one's, with its rules but
  // for the check before work (the data-set lock is held on this one).
  std::unique_ptr<Connection> beside() const;

  // A forked child works on a connection of its own: the server would take
  // its statements for its parent's.
  bool inThisProcess() const { return process_ == getpid(); }

  ServerLink& link() { return link_; }
  Pipeline& pipeline() { return pipeline_; }
  Transaction& transaction() { return transaction_; }
  // The data set's layout asked with its lock, for the files' first opens.
  EarlyLayout& earlyLayout() { return earlyLayout_; }

  // Waits at most `patience` until the calling thread has the connection (at
  // once when it has it already); false when another kept it that long.
  // `reads` are the thread's, let go of by its transaction steps.
  bool take(std::chrono::milliseconds patience, drivers::SessionReads* reads);
  // One take() is over: the connection is given back once the thread's
  // outermost take is over and its work left nothing on the connection.
  void release();
  // Whether the calling thread has the connection now.
  bool heldHere();

  // For the change listener: waits until nobody has or wants the connection
  // and takes it; false, without it, once `stop` is true (told by nudge()).
  bool takeWhenUnwanted(const std::atomic<bool>& stop);
  // The listener gives the connection back.
  void giveBack();
  // Wakes the waits of takeWhenUnwanted to look at their `stop` again.
  void nudge();
  // `wake` is called whenever a thread starts waiting for the connection.
  void whenWanted(std::function<void()> wake);

 private:
  // Nothing of the holder's work is left on the connection.
  bool idle() const;
  // With mutex_ held: nobody has the connection any more.
  void letGo();

  std::mutex mutex_;
  std::condition_variable turns_;
  std::thread::id holder_;
  int depth_ = 0;    // the holder's take()s not yet released
  int wanting_ = 0;  // threads waiting in take()
  std::function<void()> wanted_;
  pid_t process_ = getpid();
  ServerLink link_;
  Pipeline pipeline_{link_};
  Transaction transaction_{link_, pipeline_};
  EarlyLayout earlyLayout_;
};

// A take() of `connection` for the life of the object.
class Turn {
 public:
  Turn(Connection& connection, std::chrono::milliseconds patience,
       drivers::SessionReads* reads = nullptr)
      : connection_(connection), held_(connection.take(patience, reads)) {}
  ~Turn() {
    if (held_) connection_.release();
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
  explicit operator bool() const { return held_; }

 private:
  Connection& connection_;
  bool held_;
};

// How long a thread waits for the connection before it gives up on it.
inline constexpr std::chrono::milliseconds kTurnPatience{kLockTimeoutMs};

}  // namespace fesk::postgres
