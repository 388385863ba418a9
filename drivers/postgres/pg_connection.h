#pragma once
// One thread's session with the database server, for one data set. Every file
// a thread opens through a driver shares that driver's session of the thread,
// so a transaction over several files is one server transaction.
//
// A session never hangs the program: it is opened with a connect time-out and
// TCP keep-alives, runs with statement, lock and idle-in-transaction
// time-outs, and waits for no answer longer than its answer time-out (a
// network that stalls is given up on, and the session with it). A session the
// server closed (restart, administrator, a standby promoted in its place) is
// noticed before the next statement is sent and opened anew, outside a
// transaction; inside one the transaction is lost (the server rolled it back)
// and the failure says so. Failures name the server and give the server's
// words. Before any statement the session's rules may insist on more (the
// data-set lock held, pg_schema_lock.h).
//
// Round trips are the cost over a network. A statement goes out with its
// preparation in one round trip, and inside a transaction a write whose
// answer its caller need not wait for is queued (pg_write_queue.cpp): the
// queue goes to the server in one pipeline with the next statement that needs
// an answer, or with the commit behind it, so a run over many records costs a
// few round trips, not one per record (a long queue starts going out before,
// for the server to work on while this side goes on). A queued write that
// fails fails the whole transaction: the statement that brought its answer
// tells the failure, and the server skips a commit sent behind it.

#include <libpq-fe.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drivers/common/held_reads.h"
#include "drivers/postgres/pg_result.h"
#include "drivers/postgres/pg_written_records.h"
#include "runtime/files/driver.h"

namespace fesk::postgres {

// How long a session waits, and what it makes sure of before it works.
struct SessionRules {
  // The longest wait for an answer on this side of the network. The server
  // ends a statement a little before it, so that a slow statement is told as
  // such and only a silent network as the server not answering.
  std::chrono::milliseconds answerTimeout{30000};
  // The longest wait for a new session (libpq takes 2 s at the least);
  // PGCONNECT_TIMEOUT or connect_timeout in the connection string win.
  int connectTimeoutSeconds = 10;
  // A server that let a connection attempt time out is not asked again for
  // this long: every call would otherwise wait out the time-out anew.
  std::chrono::milliseconds retryPause{5000};
  // Run before every statement: a failure stops the statement.
  std::function<apprt::DriverStatus()> beforeWork;
};

// A statement with its values, bound as text parameters.
struct Statement {
  std::string sql;
  std::vector<std::string> values;
  // Planned for its values at each use, not once for the session: a
  // statement over arrays of two values or of thousands needs a plan for
  // each, and a plan kept for any length walks an index record by record.
  bool plannedEachTime = false;
};

// Judges the answer to a queued write: the failure to tell, or none.
using AnswerCheck = std::function<apprt::DriverStatus(const Result&)>;

// How a queued write goes out together with the writes of its kind queued
// right after it (pg_gathered_writes.h).
struct Gathering {
  // Takes, for each value of one write, an array of that value over all of
  // them (the last value names the record), and answers the place (from 1)
  // of every write it carried out.
  std::string sql;
  // Judges one write by whether it was carried out.
  std::function<apprt::DriverStatus(bool written)> check;
};

struct QueuedWrite {
  Statement write;
  AnswerCheck check;
  Gathering together;
};

class Connection {
 public:
  // The calling thread's session with the server of `conninfo`, one per
  // thread and `owner` (the driver); opened at its first use.
  static std::shared_ptr<Connection> forThisThread(const void* owner, const std::string& conninfo,
                                                   const SessionRules& rules);

  explicit Connection(std::string conninfo, SessionRules rules = {});
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  // The session open and usable: opened, or opened anew after the server closed it.
  apprt::DriverStatus ready();
  // Open, and not closed by the server as far as can be told without asking it.
  bool stillOpen();
  // Runs one statement with its values bound as text parameters (prepared
  // once per session). `status` tells the outcome.
  Result run(const std::string& sql, const std::vector<std::string>& values,
             apprt::DriverStatus& status);
  // Inside a transaction, queues `write` to go with the next statement sent,
  // in a run of the writes of its kind queued with it (`together`), which
  // judges it then; outside one, runs it at once and answers what `check`
  // says.
  apprt::DriverStatus queue(Statement write, AnswerCheck check, Gathering together);
  // Runs statements that take no values (definitions, transaction steps).
  apprt::DriverStatus runScript(const std::string& sql);
  // Runs `script`, which ends in a COPY ... FROM STDIN, with `rows` (in
  // COPY's text form) as its data, after the queued writes.
  apprt::DriverStatus copyIn(const std::string& script, std::string_view rows);
  // A string literal for a definition (COMMENT ON takes no parameter).
  std::string literal(const std::string& text);

  // The rows read ahead by this session's files: they go before the thread
  // waits and before any write or transaction step of the session.
  drivers::SessionReads& reads() { return reads_; }
  // Before the thread waits: the rows read ahead go, and a pipeline under way
  // is answered (its failure kept for the commit), so that the server's
  // idle-in-transaction time-out, which counts only after an answer, guards
  // a transaction left open while the thread waits.
  void beforeThreadWaits();

  // A transaction that locks `tables` (quoted, comma-separated) against other
  // writers, waiting at most `timeoutSeconds`; `fileNames` names them to the user.
  apprt::DriverStatus begin(const std::string& tables, const std::string& fileNames,
                            int timeoutSeconds);
  // A transaction that only reads, every statement of it from one snapshot.
  apprt::DriverStatus beginSnapshot();
  apprt::DriverStatus commit();
  apprt::DriverStatus rollback();
  bool inTransaction() const { return inTransaction_; }
  // Runs `work` in a transaction: the thread's open one, or one of its own
  // that is committed when `work` succeeds and rolled back otherwise.
  apprt::DriverStatus atomically(const std::function<apprt::DriverStatus()>& work);

  // The record `identity` of `table` written as `image` in the thread's
  // transaction (kept with it, for a commit whose answer may be lost).
  void wrote(const std::string& table, apprt::RecordIdentity identity, std::string image) {
    written_.wrote(table, identity, std::move(image));
  }
  // Whether the record stored as `image` holds this session's own write, kept
  // by a commit whose answer was lost (the server is asked once).
  bool keptByLostCommit(const std::string& table, apprt::RecordIdentity identity,
                        const std::string& image);

  // "the database server in DIR (port N), database D" or "... at HOST:PORT, ...".
  std::string server() const;

  // The libpq session (null before the first use): the tests count its round trips.
  PGconn* session() const { return session_; }
  // The SQL of every statement prepared in this session (the query-plan tests explain each).
  std::vector<std::string> preparedStatements() const;

 private:
  apprt::DriverStatus open();
  // Outside a transaction, with the session ready for one.
  apprt::DriverStatus readyToBegin();
  // Sends a statement with `send` and waits for its answer.
  Result exchange(const std::function<int()>& send, apprt::DriverStatus& status);
  Result exchange(const std::string& sql, apprt::DriverStatus& status);
  apprt::DriverStatus failure(const Result& result);
  // The server (and `what` of it) cannot be reached, for `why`.
  apprt::DriverStatus unreachable(const std::string& what, const std::string& why) const;
  // The server cannot be reached, or closed the session, for `why`.
  apprt::DriverStatus lost(const std::string& why) const;
  // Nothing came back in time: the session is closed.
  apprt::DriverStatus notAnswering();
  // What a loss means for the transaction under way ("" outside one).
  std::string lossConsequence() const;
  void close();
  // A writing transaction is under way, numbered by the server in `numbered`.
  void started(const Result& numbered);
  // Forgets the transaction that ended (committed, rolled back or lost).
  void ended();
  // After the answer to a commit was lost (`status`): asks a new session
  // whether the server kept the transaction; `status` when it cannot tell.
  apprt::DriverStatus settleLostCommit(apprt::DriverStatus status);
  // What the server says of `transaction`: "committed", "aborted", ... ("" unknown).
  std::string transactionStatus(const std::string& transaction);
  // Sends the queued writes and then `last` (if any) in one pipeline (after
  // the statements already sent in it), each prepared at its first use in
  // the session, and answers the result of `last`; `status` is the first
  // failure among them.
  Result exchangeQueued(const Statement* last, apprt::DriverStatus& status);
  // exchangeQueued() but for keeping a failure among queued writes.
  Result answerPipeline(const Statement* last, apprt::DriverStatus& status);
  // Sends the queued writes and then `last` (if any) into the pipeline, to
  // be answered with it; false (the session closed) when libpq refused them.
  bool sendQueued(const Statement* last, apprt::DriverStatus& status);
  // Statements sent into a pipeline that is not yet answered.
  bool pipelineOpen() const { return !sent_.prepares.empty(); }
  // Sends `statement` into the pipeline, with its preparation when it is new
  // (`prepared` tells so); false when libpq refused it.
  bool sendPipelined(const Statement& statement, bool& prepared);
  // Takes the pipeline's `results` in: prepares confirmed or forgotten,
  // queued writes judged by their checks.
  apprt::DriverStatus judge(const std::vector<Result>& results,
                            const std::vector<std::string>& preparing,
                            const std::vector<bool>& prepares,
                            const std::vector<AnswerCheck>& checks);

  std::string conninfo_;
  SessionRules rules_;
  PGconn* session_ = nullptr;
  std::string lastServer_;  // named even after the session is gone
  std::string lossReason_;  // why the session was given up
  bool committing_ = false;
  WrittenRecords written_;    // by the transaction under way
  WrittenRecords uncertain_;  // by the last transaction whose commit's answer was lost
  pid_t owner_;               // a forked child must not talk over its parent's session
  std::unordered_map<std::string, std::string> prepared_;  // SQL -> statement name
  std::vector<QueuedWrite> queued_;
  // The pipeline sent and not yet answered: per step, whether it prepares
  // (the SQL of those in `preparing`) and the check of its answer.
  struct SentSteps {
    std::vector<bool> prepares;
    std::vector<AnswerCheck> checks;
    std::vector<std::string> preparing;
    bool writes = false;  // it carries queued writes
  };
  SentSteps sent_;
  // A queued write that failed: its transaction may not be saved.
  apprt::DriverStatus queuedFailure_;
  drivers::SessionReads reads_;
  bool inTransaction_ = false;
  std::string transactionFailure_;  // the first failure inside the transaction
  // A server that let a connection attempt time out is not asked again until
  // then (SessionRules::retryPause); the reason it gave meanwhile.
  std::chrono::steady_clock::time_point retryAfter_;
  std::string unanswered_;
};

// How long locks and idle transactions may take, in milliseconds.
inline constexpr int kLockTimeoutMs = 10000;
inline constexpr int kIdleInTransactionTimeoutMs = 60000;

}  // namespace fesk::postgres
