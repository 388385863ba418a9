#pragma once
// The link to the database server under a session: one libpq session,
// opened, watched and closed, and the words of its failures.
//
// A link never hangs the program: it is opened with a connect time-out and
// TCP keep-alives, runs with statement, lock and idle-in-transaction
// time-outs, and waits for no answer longer than its answer time-out (a
// network that stalls is given up on, and the link with it). A libpq session
// the server closed (restart, administrator, a standby promoted in its place)
// is noticed before the next statement is sent and opened anew when nothing
// is at stake; with a transaction under way the transaction is lost (the
// server rolled it back) and the failure says so. Failures name the server
// and give the server's words. Before any statement the session's rules may
// insist on more (the data-set lock held, pg_schema_lock.h).

#include <libpq-fe.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/postgres/pg_answer.h"
#include "drivers/postgres/pg_result.h"
#include "drivers/postgres/pg_work_watch.h"
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

// What a loss of the link costs, which its failures tell first.
enum class AtStake {
  kNothing,
  // A transaction under way: the server rolls it back.
  kTransaction,
  // A commit sent and not answered: the server kept all of it or none.
  kCommit,
};

// How long locks and idle transactions may take, in milliseconds.
inline constexpr int kLockTimeoutMs = 10000;
inline constexpr int kIdleInTransactionTimeoutMs = 60000;

class ServerLink {
 public:
  explicit ServerLink(std::string conninfo, SessionRules rules = {});
  ServerLink(const ServerLink&) = delete;
  ServerLink& operator=(const ServerLink&) = delete;
  ~ServerLink();

  // Open and usable: opened, or opened anew after the server closed it while
  // nothing was at stake; the rules' own check passed.
  apprt::DriverStatus ready();
  // Open, and not closed by the server as far as can be told without asking it.
  bool stillOpen();
  // Opens a new libpq session (closing the one there was).
  apprt::DriverStatus open();
  // Closes the libpq session; what was prepared or sent in it goes with it
  // (whenClosed).
  void close();
  const std::string& conninfo() const { return conninfo_; }
  const SessionRules& rules() const { return rules_; }
  // How many libpq sessions were opened so far: a new number for each.
  int openings() const { return openings_; }
  // Replaces the rules' check before work (nothing: none).
  void checkBeforeWork(std::function<apprt::DriverStatus()> check) {
    rules_.beforeWork = std::move(check);
  }
  // Called by every close: the owner forgets what lived in the libpq session.
  void whenClosed(std::function<void()> forget) { whenClosed_ = std::move(forget); }

  // The libpq session (null while closed): the pipeline sends on it, the
  // tests count its round trips.
  PGconn* libpq() const { return libpq_; }
  std::chrono::milliseconds answerTimeout() const { return rules_.answerTimeout; }
  // How long the waits for the server's answers may hear nothing.
  Patience patience();
  // For the rest of the transaction, statements run with no time-out on the
  // server: work of any length (records added in bulk) is never cut for its
  // length, and what limits a wait is the network's silence alone, told
  // apart from a server at work (pg_work_watch.h). Answers the statement that
  // lifts the server's time-out, to go first in the next script sent.
  std::string liftTimeLimit();
  // The waits for answers ask `goOn` every little while (null: nothing is
  // asked); once it answers false the statement under way is cancelled on
  // the server, and fails.
  void askWhileWaiting(std::function<bool()> goOn);
  // "the database server in DIR (port N), database D" or "... at HOST:PORT, ...".
  std::string server() const;

  // Sends statements that take no values and waits for their answer: the
  // first failure, or else the last statement's result; `each`, when given,
  // gets every statement's result in order.
  Result exchange(const std::string& sql, apprt::DriverStatus& status,
                  std::vector<Result>* each = nullptr);
  // Runs `script`, which ends in a COPY ... FROM STDIN, with `rows` (in
  // COPY's text form) as its data.
  apprt::DriverStatus copyIn(const std::string& script, std::string_view rows);
  // Runs `statement`, a COPY ... TO STDOUT, handing each row of its data
  // (COPY's text form) to `take` as it arrives. A `take` that answers false
  // stops it, and the session with it (what is left of the answer is not
  // wanted).
  apprt::DriverStatus copyOut(const std::string& statement,
                              const std::function<bool(std::string_view row)>& take);
  // A string literal for a definition (COMMENT ON takes no parameter).
  std::string literal(const std::string& text);

  // What a loss would cost from now on. Raising it from nothing starts a
  // transaction's record of failures anew.
  void stake(AtStake stake);
  AtStake atStake() const { return atStake_; }
  // The failure of `result` (or of the link, when it broke), in words that
  // fit a message; a broken link is closed.
  apprt::DriverStatus failure(const Result& result);
  // Keeps `failure` as the transaction's first, unless it has one.
  void told(const apprt::DriverStatus& failure);
  // The transaction's first failure ("" none).
  const std::string& firstFailure() const { return firstFailure_; }
  // The server cannot be reached, or closed the link, for `why`.
  apprt::DriverStatus lost(const std::string& why) const;
  // Why the link was given up last ("" while it is open).
  const std::string& lossReason() const { return lossReason_; }
  // Nothing came back in time: the link is closed.
  apprt::DriverStatus notAnswering();

 private:
  // The server (and `what` of it) cannot be reached, for `why`.
  apprt::DriverStatus unreachable(const std::string& what, const std::string& why) const;

  std::string conninfo_;
  SessionRules rules_;
  PGconn* libpq_ = nullptr;
  std::function<void()> whenClosed_;
  std::string lastServer_;  // named even after the link is gone
  std::string lossReason_;  // why the link was given up
  pid_t owner_;             // a forked child must not talk over its parent's session
  int openings_ = 0;
  AtStake atStake_ = AtStake::kNothing;
  std::string firstFailure_;  // of the transaction under way
  // A server that let a connection attempt time out is not asked again until
  // then (SessionRules::retryPause); the reason it gave meanwhile.
  std::chrono::steady_clock::time_point retryAfter_;
  std::string unanswered_;
  // The transaction's time limit is lifted (liftTimeLimit); the watch that
  // tells its silent work from a silent network, made when first needed.
  bool unbounded_ = false;
  std::unique_ptr<WorkWatch> watch_;
  // askWhileWaiting's question, and whether it answered false already.
  std::function<bool()> goOn_;
  bool stopAsked_ = false;
};

}  // namespace fesk::postgres
