#pragma once
// The transaction of a session: begun with the tables it writes locked
// against other writers (or as one snapshot that only reads), and ended by a
// commit behind its queued writes or by a roll-back. A commit counts as saved
// only when the server answers COMMIT: after a failure inside the
// transaction, or a queued write that failed, it is rolled back and the
// failure told. When the answer to a commit is lost with the session, a new
// session asks the server whether it kept the transaction; until it can be
// told, a stored record that holds exactly what the transaction wrote may be
// this station's own write, not another station's change.

#include <functional>
#include <string>

#include "drivers/common/held_reads.h"
#include "drivers/postgres/pg_pipeline.h"
#include "drivers/postgres/pg_server_link.h"
#include "drivers/postgres/pg_written_records.h"
#include "runtime/files/driver.h"

namespace fesk::postgres {

// A transaction on `fileNames` could not begin within `timeoutSeconds`:
// another writer (another program, or another window of this one) has them.
apprt::DriverStatus writtenElsewhere(const std::string& fileNames, int timeoutSeconds);

class Transaction {
 public:
  // Runs on `link`, its writes queued in `pipeline`.
  Transaction(ServerLink& link, Pipeline& pipeline);
  ~Transaction();
  Transaction(const Transaction&) = delete;

  // Its session's commits are this program's own (pg_own_sessions.h): told
  // when a file is opened on it and at every write transaction, so that a
  // session opened anew is known again by its next one.
  void countAsOwnWriter();
  Transaction& operator=(const Transaction&) = delete;
  // The reads of the thread that works on the connection now (null: none):
  // they go before a transaction begins and ends.
  void readsFrom(drivers::SessionReads* reads) { reads_ = reads; }

  // A transaction that locks `tables` (quoted, comma-separated) against other
  // writers, waiting at most `timeoutSeconds`; `fileNames` names them to the user.
  apprt::DriverStatus begin(const std::string& tables, const std::string& fileNames,
                            int timeoutSeconds);
  // A transaction that only reads, every statement of it from one snapshot.
  apprt::DriverStatus beginSnapshot();
  apprt::DriverStatus commit();
  apprt::DriverStatus rollback();
  bool active() const { return link_.atStake() != AtStake::kNothing; }
  // Runs `work` in a transaction: the open one, or one of its own that is
  // committed when `work` succeeds and rolled back otherwise.
  apprt::DriverStatus atomically(const std::function<apprt::DriverStatus()>& work);

  // The record `identity` of `table` written as `image` in the transaction
  // (kept with it, for a commit whose answer may be lost).
  void wrote(const std::string& table, apprt::RecordIdentity identity, std::string image) {
    written_.wrote(table, identity, std::move(image));
  }
  // Whether the record stored as `image` holds this session's own write, kept
  // by a commit whose answer was lost (the server is asked once).
  bool keptByLostCommit(const std::string& table, apprt::RecordIdentity identity,
                        const std::string& image);

 private:
  // None under way, with the link ready for one.
  apprt::DriverStatus readyToBegin();
  // A writing transaction is under way, numbered by the server in `numbered`.
  void started(const Result& numbered);
  // Forgets the transaction that ended (committed, rolled back or lost).
  void ended();
  // After the answer to a commit was lost (`status`): asks a new session
  // whether the server kept the transaction; `status` when it cannot tell.
  apprt::DriverStatus settleLostCommit(apprt::DriverStatus status);
  // What the server says of `transaction`: "committed", "aborted", ... ("" unknown).
  std::string transactionStatus(const std::string& transaction);

  ServerLink& link_;
  Pipeline& pipeline_;
  drivers::SessionReads* reads_ = nullptr;
  // Lets go of the reads of the thread at work.
  void releaseReads() {
    if (reads_) reads_->releaseAll();
  }
  WrittenRecords written_;    // by the transaction under way
  WrittenRecords uncertain_;  // by the last transaction whose commit's answer was lost
};

}  // namespace fesk::postgres
