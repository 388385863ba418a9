#pragma once
// The calling thread's one SQLite connection. Every file the thread opens is a
// database of this connection (the first as "main", the others attached), so a
// transaction over several files is one SQLite transaction and SQLite's
// multi-file commit (rollback journals plus a super-journal) makes it atomic,
// also when the process is killed in the middle.
//
// Read statements that are still stepping hold a shared lock on their file,
// and in rollback-journal mode that makes other connections' commits fail. So
// the connection resets every live read when the thread is about to wait and
// before every transaction step of its own. Its own writes reset them too
// outside a transaction (a write there commits only once no statement is
// active); inside one, a run of reads goes on across the writes.

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/driver.h"

namespace fesk::sqlite {

// Something that keeps read statements live between calls.
class LiveReads {
 public:
  virtual void releaseReads() = 0;

 protected:
  ~LiveReads() = default;
};

inline constexpr int kDefaultBusyMilliseconds = 5000;

class Connection {
 public:
  static std::shared_ptr<Connection> forThisThread();
  ~Connection();

  sqlite3* db() const { return db_; }

  // Makes the database at `path` available and answers its schema name.
  // `busyMilliseconds` is how long to wait for a file another process holds.
  apprt::DriverStatus attach(const std::filesystem::path& path, int busyMilliseconds,
                             std::string& schema);
  // One user of the schema fewer; detached when it has none (after the
  // transaction, when one is active).
  void release(const std::string& schema);

  void addReads(LiveReads* reads) { reads_.push_back(reads); }
  void removeReads(LiveReads* reads);
  void releaseReads();
  // Before every add, put and delete of this thread's files: outside a
  // transaction every live read is reset.
  void beforeWrite();

  // BEGIN IMMEDIATE, waiting at most `timeoutSeconds` for other writers.
  apprt::DriverStatus begin(const std::string& fileNames, int timeoutSeconds);
  apprt::DriverStatus commit();
  apprt::DriverStatus rollback();
  bool inTransaction() const { return inTransaction_; }

 private:
  struct Attached {
    std::string schema;
    int users = 0;
  };
  void detachUnused();
  void closeWhenUnused();

  sqlite3* db_ = nullptr;
  std::map<std::filesystem::path, Attached> attached_;
  std::vector<LiveReads*> reads_;
  int nextSchema_ = 1;
  bool inTransaction_ = false;
};

// The meaning of a failure to open or first read a database: 47 for a file
// that is no database or is damaged, 32 for one that needs its journal
// rolled back and cannot have it now, else 90.
apprt::DriverStatus openFailure(sqlite3* db, int result);

}  // namespace fesk::sqlite
