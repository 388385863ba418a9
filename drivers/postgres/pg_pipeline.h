#pragma once
// What goes to the server in one pipeline (libpq's pipeline mode): the writes
// a transaction queued, gathered into runs (pg_gathered_writes.h), then the
// statement that needs an answer or the commit, each prepared at its first
// use in the session (pg_prepared_statements.h), all answered in one round
// trip. A long queue starts going out before that statement comes: the
// server works on the first of it while this side still reads and writes the
// rest.
//
// Every answer is judged in order: a queued write by its check, any other
// failure in the server's words, and a session that broke by the break, not
// by a write that went through. A queued write that fails fails the whole
// transaction: the statement that brought its answer tells the failure, the
// failure is kept for the commit, and the server skips a commit sent behind
// it. Answers that do not pair with what was sent are never trusted.

#include <string>
#include <vector>

#include "drivers/postgres/pg_gathered_writes.h"
#include "drivers/postgres/pg_prepared_statements.h"
#include "drivers/postgres/pg_result.h"
#include "drivers/postgres/pg_server_link.h"

namespace fesk::postgres {

class Pipeline {
 public:
  // Sends on `link`, and forgets what it sent when the link closes.
  explicit Pipeline(ServerLink& link);
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // Queues `write` to go with the next statement sent, in a run of the
  // writes of its kind queued with it, which judges it then. Fails with the
  // failure of a write queued before, which no write after it can mend.
  apprt::DriverStatus queue(QueuedWrite write);
  // Sends the queued writes and then `last` (if any) in one pipeline (after
  // the statements already sent in it), and answers the result of `last`;
  // `status` is the first failure among them, kept for the commit when the
  // pipeline carried writes of a transaction.
  Result exchange(const Query* last, apprt::DriverStatus& status);
  // Statements sent that are not yet answered.
  bool open() const { return !sent_.prepares.empty(); }
  // Writes queued and not yet sent.
  bool queuing() const { return !queued_.empty(); }
  // A queued write that failed: its transaction may not be saved.
  const apprt::DriverStatus& queuedFailure() const { return queuedFailure_; }
  // The transaction ends: its writes not yet sent are never sent, and the
  // failure of one is forgotten.
  void discardQueued();
  // The SQL of every statement prepared in the session.
  std::vector<std::string> preparedStatements() const { return prepared_.all(); }

 private:
  // The steps sent and not yet answered: per step, whether it prepares (the
  // SQL of those in `preparing`) and the check of its answer.
  struct SentSteps {
    std::vector<bool> prepares;
    std::vector<AnswerCheck> checks;
    std::vector<std::string> preparing;
    bool writes = false;  // it carries queued writes
  };

  // exchange() but for keeping a failure among queued writes.
  Result answer(const Query* last, apprt::DriverStatus& status);
  // Sends the queued writes and then `last` (if any) into the pipeline, to
  // be answered with it; false (the link closed) when libpq refused them.
  bool send(const Query* last, apprt::DriverStatus& status);
  // Sends `query` as one step, checked by `check`.
  bool sendStep(const Query& query, const AnswerCheck& check);
  // Takes the pipeline's `results` for `steps` in: preparations confirmed or
  // forgotten, queued writes judged by their checks; the first failure.
  apprt::DriverStatus judge(const std::vector<Result>& results, const SentSteps& steps);
  // The link closed: what was queued, sent or prepared in it is gone.
  void forget();

  ServerLink& link_;
  PreparedStatements prepared_;
  std::vector<QueuedWrite> queued_;
  SentSteps sent_;
  apprt::DriverStatus queuedFailure_;
};

}  // namespace fesk::postgres
