// Statements sent in one pipeline: the writes a transaction queued, then the
// statement that needs an answer, each prepared at its first use in the
// session, all answered in one round trip (libpq's pipeline mode).
#include "drivers/postgres/pg_answer.h"
#include "drivers/postgres/pg_connection.h"
#include "drivers/postgres/pg_gathered_writes.h"

namespace fesk::postgres {

using apprt::DriverStatus;

DriverStatus Connection::queue(Statement write, AnswerCheck check, Gathering together) {
  if (!inTransaction_) {
    DriverStatus status;
    const Result result = run(write.sql, write.values, status);
    return status.ok() ? check(result) : status;
  }
  // Nothing more of a transaction that cannot be saved is worth sending.
  if (!queuedFailure_.ok()) return queuedFailure_;
  queued_.push_back({std::move(write), std::move(check), std::move(together)});
  return {};
}

bool Connection::sendPipelined(const Statement& statement, bool& prepared) {
  const int count = static_cast<int>(statement.values.size());
  std::vector<const char*> texts;
  texts.reserve(statement.values.size());
  for (const auto& value : statement.values) texts.push_back(value.c_str());
  prepared = false;
  if (statement.plannedEachTime) {
    return PQsendQueryParams(session_, statement.sql.c_str(), count, nullptr, texts.data(), nullptr,
                             nullptr, 0);
  }
  const auto [named, fresh] =
      prepared_.try_emplace(statement.sql, "fesk" + std::to_string(prepared_.size() + 1));
  prepared = fresh;
  if (fresh &&
      !PQsendPrepare(session_, named->second.c_str(), statement.sql.c_str(), count, nullptr)) {
    return false;
  }
  return PQsendQueryPrepared(session_, named->second.c_str(), count, texts.data(), nullptr, nullptr,
                             0);
}

Result Connection::exchangeQueued(const Statement* last, DriverStatus& status) {
  const std::vector<QueuedWrite> batch = gathered(std::move(queued_));
  queued_.clear();
  // Per step of the pipeline: whether it prepares, and the check of its answer.
  std::vector<bool> prepares;
  std::vector<AnswerCheck> checks;
  std::vector<std::string> preparing;
  const auto send = [&](const Statement& statement, const AnswerCheck& check) {
    bool prepared = false;
    if (!sendPipelined(statement, prepared)) return false;
    if (prepared) {
      prepares.push_back(true);
      checks.emplace_back();
      preparing.push_back(statement.sql);
    }
    prepares.push_back(false);
    checks.push_back(check);
    return true;
  };
  // Non-blocking, so that sending a long pipeline never waits on a server
  // that waits for its answers to be read.
  bool sent = PQenterPipelineMode(session_) && PQsetnonblocking(session_, 1) == 0;
  for (std::size_t i = 0; sent && i < batch.size(); ++i)
    sent = send(batch[i].write, batch[i].check);
  if (sent && last) sent = send(*last, {});
  sent = sent && PQpipelineSync(session_);
  std::vector<Result> results;
  if (sent && awaitPipeline(session_, rules_.answerTimeout, results) == Answer::kNone) {
    status = notAnswering();
    return {};
  }
  if (!sent) {
    // What the server was sent of the pipeline is unknown: the session goes.
    status = failure(Result());
    close();
    return {};
  }
  PQexitPipelineMode(session_);
  PQsetnonblocking(session_, 0);
  status = judge(results, preparing, prepares, checks);
  if (status.ok() && results.size() != prepares.size()) {
    // Answers that do not pair with what was sent cannot be trusted, nor can
    // the session that gave them: never an empty answer called a success.
    status = {apprt::kDriverError, {}, "the server's answers did not match the statements sent"};
    close();
  }
  if (!status.ok() && inTransaction_ && !batch.empty()) queuedFailure_ = status;
  if (!status.ok() || !last) return {};
  return results.back();
}

DriverStatus Connection::judge(const std::vector<Result>& results,
                               const std::vector<std::string>& preparing,
                               const std::vector<bool>& prepares,
                               const std::vector<AnswerCheck>& checks) {
  DriverStatus first;
  std::size_t prepare = 0;
  for (std::size_t step = 0; step < prepares.size(); ++step) {
    // A session that broke answered nothing more.
    const Result answer = step < results.size() ? results[step] : Result();
    const bool aborted = answer.get() && PQresultStatus(answer.get()) == PGRES_PIPELINE_ABORTED;
    DriverStatus status;
    if (!answer.ok() && !aborted) status = failure(answer);
    if (prepares[step]) {
      // A statement the server did not prepare is prepared again at its next use.
      if (!answer.ok()) prepared_.erase(preparing[prepare]);
      ++prepare;
    } else if (answer.ok() && checks[step]) {
      status = checks[step](answer);
    }
    if (first.ok()) first = status;
  }
  if (!first.ok() && inTransaction_ && transactionFailure_.empty()) {
    transactionFailure_ = first.driverMessage;
  }
  return first;
}

}  // namespace fesk::postgres
