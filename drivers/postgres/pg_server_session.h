#pragma once
// One thread's session with the database server, for one data set. Every file
// a thread opens through a driver shares that driver's session of the thread,
// so a transaction over several files is one server transaction.
//
// The sessions of a program's threads work on the program's one connection
// (pg_connection.h), each in its turn: every call waits until the thread has
// the connection, and a transaction keeps it from its begin to its end. The
// connection is made of parts of their own: the link to the server and the
// words of its failures (pg_server_link.h), the pipeline that carries the
// queued writes and the statements behind them, prepared once per link
// (pg_pipeline.h), and the transaction under way (pg_transaction.h). What a
// thread read ahead stays the thread's own.
//
// Round trips are the cost over a network. A statement goes out with its
// preparation in one round trip, and inside a transaction a write whose
// answer its caller need not wait for is queued: the queue goes to the server
// in one pipeline with the next statement that needs an answer, or with the
// commit behind it, so a run over many records costs a few round trips, not
// one per record.

#include <libpq-fe.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/common/held_reads.h"
#include "drivers/postgres/pg_connection.h"
#include "drivers/postgres/pg_gathered_writes.h"
#include "drivers/postgres/pg_result.h"
#include "runtime/files/driver.h"

namespace fesk::postgres {

// How long a statement waits for the program's connection before it goes
// on a connection of its own: only another window's transaction that spans
// its wait for the user keeps it that long.
inline constexpr std::chrono::milliseconds kBesideAfter{200};

class ServerSession {
 public:
  // The calling thread's session on `connection`, one per thread and
  // connection; made at its first use.
  static std::shared_ptr<ServerSession> forThisThread(
      const std::shared_ptr<Connection>& connection);

  // A session on a connection of its own.
  explicit ServerSession(std::string conninfo, SessionRules rules = {});
  // A thread's session on the program's `connection`.
  explicit ServerSession(std::shared_ptr<Connection> connection);
  // A transaction the thread left open is rolled back, and the connection
  // given back.
  ~ServerSession();
  ServerSession(const ServerSession&) = delete;
  ServerSession& operator=(const ServerSession&) = delete;

  // The session open and usable: opened, or opened anew after the server closed it.
  apprt::DriverStatus ready();
  // Open, and not closed by the server as far as can be told without asking it.
  bool stillOpen();
  // Runs one statement with its values bound as text parameters (prepared
  // once per connection), after the queued writes. `status` tells the outcome.
  // `goOn`, when given, is asked every little while as the answer is waited
  // for (ServerLink::askWhileWaiting).
  Result run(const std::string& sql, const std::vector<std::string>& values,
             apprt::DriverStatus& status, const std::function<bool()>& goOn = nullptr);
  // Inside a transaction, queues `write` to go with the next statement sent,
  // in a run of the writes of its kind queued with it, which judges it then;
  // outside one, sends it at once as a run of one and answers its judgement.
  apprt::DriverStatus queue(QueuedWrite write);
  // The rows of `table` in the layout asked with the data-set lock on this
  // session, the first time they are asked for (pg_early_layout.h); nothing
  // when there are none, or, with the failure in `status`, when the session
  // is not usable.
  std::optional<LayoutRows> earlyLayout(std::string_view table, apprt::DriverStatus& status);
  // Runs statements that take no values (definitions, transaction steps).
  apprt::DriverStatus runScript(const std::string& sql);
  // Runs `script`, which ends in a COPY ... FROM STDIN, with `rows` (in
  // COPY's text form) as its data, after the queued writes.
  apprt::DriverStatus copyIn(const std::string& script, std::string_view rows);
  // Runs `statement`, a COPY ... TO STDOUT, after what was sent, handing each
  // row of its data to `take` (ServerLink::copyOut).
  apprt::DriverStatus copyOut(const std::string& statement,
                              const std::function<bool(std::string_view row)>& take);
  // Lifts the server's time-out for the rest of the transaction
  // (ServerLink::liftTimeLimit); answers the statement to send first.
  std::string liftTimeLimit();
  // A string literal for a definition (COMMENT ON takes no parameter).
  std::string literal(const std::string& text);

  // The transaction steps (Transaction's), each in the thread's turn: from
  // a begin that succeeds the thread keeps the connection until the end.
  // `timeoutSeconds` bounds the wait for the connection as for the tables,
  // and a wait for either that runs out is told alike.
  // A snapshot that only reads (an export, a backup, the reading side of a
  // copy) may last long: it reads on a connection of its own, opened at its
  // begin and closed at its end, so that the other windows save meanwhile.
  apprt::DriverStatus begin(const std::string& tables, const std::string& fileNames,
                            int timeoutSeconds);
  apprt::DriverStatus beginSnapshot();
  apprt::DriverStatus commit();
  apprt::DriverStatus rollback();
  apprt::DriverStatus atomically(const std::function<apprt::DriverStatus()>& work);
  // This connection's commits are this program's own (Transaction::countAsOwnWriter).
  void countAsOwnWriter();
  // The transaction under way on the connection: only for the thread whose
  // turn it is (within atomically's work).
  Transaction& transaction() { return current().transaction(); }
  // Whether this thread has a transaction under way.
  bool inTransaction();

  // The rows read ahead by this thread's files: they go before the thread
  // waits and before any write or transaction step of the session.
  drivers::SessionReads& reads() { return reads_; }
  // Before the thread waits: the rows read ahead go, and a pipeline under way
  // is answered (its failure kept for the commit), so that the server's
  // idle-in-transaction time-out, which counts only after an answer, guards
  // a transaction left open while the thread waits.
  void beforeThreadWaits();

  // "the database server in DIR (port N), database D" or "... at HOST:PORT, ...".
  std::string server();
  // The libpq session (null before the first use): the tests count its round trips.
  PGconn* libpq() { return current().link().libpq(); }
  // The SQL of every statement prepared on the connection (the query-plan tests explain each).
  std::vector<std::string> preparedStatements();

 private:
  // Answers what was sent on `connection` and not answered (and with
  // `queued`, sends and answers the queued writes too) before a statement
  // outside the pipeline.
  static apprt::DriverStatus answerFirst(Connection& connection, bool queued);
  // Runs `work` on the thread's connection in its turn; when another
  // thread's transaction keeps it past kBesideAfter, on a connection of its
  // own opened for the work and closed after it.
  void withConnection(const std::function<void(Connection&)>& work);
  // The failure when another thread kept the connection for `waited`.
  static apprt::DriverStatus busy(std::chrono::milliseconds waited);
  // The connection the thread works on: a snapshot's own while it lasts.
  Connection& current() { return snapshot_ ? *snapshot_ : *connection_; }
  // Ends the snapshot's connection once its transaction is over.
  void endSnapshot();
  // The transaction ended by `end` (commit or rollback) in the thread's turn,
  // then its snapshot.
  apprt::DriverStatus endTransaction(apprt::DriverStatus (Transaction::*end)());

  std::shared_ptr<Connection> connection_;
  std::unique_ptr<Connection> snapshot_;
  drivers::SessionReads reads_;
};

}  // namespace fesk::postgres
