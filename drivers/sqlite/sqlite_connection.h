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
// active); inside one, a run of reads goes on across the writes. For the same
// reason a thread never waits for one file while a read of another holds it: a
// reader that held FESK1 while waiting for FESK2, as another process committed
// over both, kept that commit from ever taking FESK1.
//
// The reads of one file between two waits of the thread (the reads that fill
// a page) see the file as of one moment: they run in one read transaction,
// which holds the file against other connections' commits as a live read
// does, and ends when the thread is about to wait, before its own writes and
// transaction steps, and before it reads another file. Without it a record
// that another station re-codes between two statements of one page shows on
// it under its old code and its new one.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drivers/common/held_reads.h"
#include "drivers/sqlite/change_watch.h"
#include "drivers/sqlite/sqlite_history.h"
#include "runtime/files/driver.h"

namespace fesk::sqlite {

inline constexpr int kDefaultBusyMilliseconds = 5000;

class Connection {
 public:
  static std::shared_ptr<Connection> forThisThread();
  ~Connection();

  sqlite3* db() const { return db_; }

  // Makes the database at `path` available and answers its schema name: the
  // file is read (a journal left by a process that died is rolled back) and
  // put in rollback-journal mode, which the multi-file commit needs.
  // `busyMilliseconds` is how long to wait for a file another process holds.
  apprt::DriverStatus attach(const std::filesystem::path& path, int busyMilliseconds,
                             std::string& schema);
  // One user of the schema fewer; detached when it has none (after the
  // transaction, when one is active).
  void release(const std::string& schema);

  // The read statements of this connection's files that stay live between calls.
  drivers::SessionReads& reads() { return reads_; }
  void beforeThreadWaits() { endSnapshot(); }
  // Before a read of the file of `schema` outside a transaction: its reads
  // until the thread waits see the file as of one moment.
  void readSnapshot(const std::string& schema);

  // The status of a failed call on `schema`, the file `file`: damage is told
  // as the check at an open tells it (46 for damaged keys, 47 for a damaged
  // table: page_check.h) and remembered, so that nothing more is written to
  // that file and its next open checks it; anything else is a driver error
  // (90).
  apprt::DriverStatus failure(const std::string& schema, const apprt::FileDeclaration& file,
                              int result);
  // A write inside a transaction found no record with an identity read in
  // it: the file's keys name a record its table does not hold, when a check
  // of the file finds damage (then answered as failure() answers damage);
  // otherwise 35.
  apprt::DriverStatus recordGone(const std::string& schema, const apprt::FileDeclaration& file);
  // Damage that the check after an unclean end (background_check.h) found in
  // the file of `schema` meanwhile: 47 once, then 0.
  apprt::DriverStatus damageFoundMeanwhile(const std::string& schema);
  // Before a write to the file of `schema`: waits for a check of the file
  // under way; outside a transaction lets go of every live read (the write
  // must not wait behind this thread's own reads); answers 46 or 47 when
  // damage was met in the file, which then takes no more writes, and 90 when
  // the file was replaced by the records saved from it since it was attached.
  apprt::DriverStatus beforeWrite(const std::string& schema);

  // A write to the file of `schema` changed it: counted as this program's own
  // commit (change_watch.h) now when it committed by itself, outside a
  // transaction (`own` is held around it), else with the transaction's commit.
  void changed(const std::string& schema, OwnCommits& own);

  // BEGIN IMMEDIATE, waiting at most `timeoutSeconds` for other writers.
  apprt::DriverStatus begin(const std::string& fileNames, int timeoutSeconds);
  // Waits as long as the begin may, and at least the default wait, for
  // readers to leave the files.
  apprt::DriverStatus commit();
  apprt::DriverStatus rollback();
  bool inTransaction() const { return inTransaction_; }

 private:
  struct Attached {
    std::string schema;
    int users = 0;
    int generation = 0;  // of the file at the path when it was attached (open_markers.h)
  };
  apprt::DriverStatus connect(const std::filesystem::path& path, std::string& schema);
  apprt::DriverStatus useRollbackJournal(const std::string& schema, const std::string& fileName);
  const std::filesystem::path* pathOf(const std::string& schema) const;
  void forget(std::map<std::filesystem::path, Attached>::iterator it);
  void detachUnused();
  void closeWhenUnused();
  // Lets go of every held read and of the read transaction, when one is open.
  void endSnapshot();

  sqlite3* db_ = nullptr;
  std::map<std::filesystem::path, Attached> attached_;
  drivers::SessionReads reads_;
  int nextSchema_ = 1;
  bool inTransaction_ = false;
  // The saved change the history records the writes under.
  HistoryStamp stamp_;
  std::string snapshotSchema_;                  // of the read transaction open ("" none)
  std::set<std::string> changedInTransaction_;  // schemas
  std::string transactionFiles_;
  int transactionSeconds_ = 0;
};

// The meaning of a failure to open or first read a database: 47 for a file
// that is no database or is damaged, 91 for one another program holds, 32 for
// one whose journal must be rolled back and cannot be here, else 90.
apprt::DriverStatus openFailure(sqlite3* db, int result);

// A write that waited in vain for other users of the files: 90 in words the
// user understands.
apprt::DriverStatus heldByOtherUsers(const std::string& fileNames, int seconds, int result);

}  // namespace fesk::sqlite
