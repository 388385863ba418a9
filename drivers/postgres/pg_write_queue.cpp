// Statements sent in one pipeline: the writes a transaction queued, then the
// statement that needs an answer, each prepared at its first use in the
// session, all answered in one round trip (libpq's pipeline mode). A long run
// of queued writes starts going out before that statement comes: the server
// works on the first of them while this side still reads and writes the rest.
#include "drivers/postgres/pg_answer.h"
#include "drivers/postgres/pg_connection.h"
#include "drivers/postgres/pg_gathered_writes.h"

namespace fesk::postgres {

using apprt::DriverStatus;

namespace {

// The queued writes that go out at once, without waiting for the statement
// that ends their pipeline.
constexpr std::size_t kWritesSentAhead = 1024;

}  // namespace

DriverStatus Connection::queue(Statement write, AnswerCheck check, Gathering together) {
  if (!inTransaction_) {
    DriverStatus status;
    const Result result = run(write.sql, write.values, status);
    return status.ok() ? check(result) : status;
  }
  // Nothing more of a transaction that cannot be saved is worth sending.
  if (!queuedFailure_.ok()) return queuedFailure_;
  queued_.push_back({std::move(write), std::move(check), std::move(together)});
  if (queued_.size() < kWritesSentAhead) return {};
  // Sent whole before this returns, so that the server has it to work on;
  // the answers that came meanwhile are taken in, so that the server never
  // stops for want of this side reading them.
  DriverStatus status = ready();
  if (status.ok() && sendQueued(nullptr, status)) {
    if (awaitSent(session_, rules_.answerTimeout) == Answer::kNone) {
      status = notAnswering();
    } else if (!PQconsumeInput(session_)) {
      status = failure(Result());
      close();
    }
  }
  if (!status.ok()) queuedFailure_ = status;
  return status;
}

void Connection::beforeThreadWaits() {
  reads_.releaseAll();
  if (!pipelineOpen()) return;
  DriverStatus status;
  exchangeQueued(nullptr, status);
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

bool Connection::sendQueued(const Statement* last, DriverStatus& status) {
  const std::vector<QueuedWrite> batch = gathered(std::move(queued_));
  queued_.clear();
  sent_.writes = sent_.writes || !batch.empty();
  const auto send = [&](const Statement& statement, const AnswerCheck& check) {
    bool prepared = false;
    if (!sendPipelined(statement, prepared)) return false;
    if (prepared) {
      sent_.prepares.push_back(true);
      sent_.checks.emplace_back();
      sent_.preparing.push_back(statement.sql);
    }
    sent_.prepares.push_back(false);
    sent_.checks.push_back(check);
    return true;
  };
  // Non-blocking, so that sending a long pipeline never waits on a server
  // that waits for its answers to be read. The session stays so until the
  // pipeline is answered; one that a statement already failed (aborted) is
  // still open, and the server skips what is sent into it.
  bool sent = PQpipelineStatus(session_) != PQ_PIPELINE_OFF ||
              (PQenterPipelineMode(session_) && PQsetnonblocking(session_, 1) == 0);
  for (std::size_t i = 0; sent && i < batch.size(); ++i)
    sent = send(batch[i].write, batch[i].check);
  if (sent && last) sent = send(*last, {});
  if (!sent) {
    // What the server was sent of the pipeline is unknown: the session goes.
    status = failure(Result());
    close();
  }
  return sent;
}

Result Connection::exchangeQueued(const Statement* last, DriverStatus& status) {
  // A failure, however it came, fails the transaction of the writes it carried.
  const bool writes = sent_.writes || !queued_.empty();
  Result answer = answerPipeline(last, status);
  if (!status.ok() && inTransaction_ && writes) queuedFailure_ = status;
  return answer;
}

Result Connection::answerPipeline(const Statement* last, DriverStatus& status) {
  if (!sendQueued(last, status)) return {};
  const SentSteps steps = std::move(sent_);
  sent_ = {};
  std::vector<Result> results;
  if (!PQpipelineSync(session_)) {
    status = failure(Result());
    close();
    return {};
  }
  if (awaitPipeline(session_, rules_.answerTimeout, results) == Answer::kNone) {
    status = notAnswering();
    return {};
  }
  status = judge(results, steps.preparing, steps.prepares, steps.checks);
  // Answers that do not pair with what was sent cannot be trusted, nor can
  // the session that gave them: never an empty answer called a success.
  const bool paired = results.size() == steps.prepares.size();
  if (!paired || !PQexitPipelineMode(session_) || PQsetnonblocking(session_, 0) != 0) {
    if (status.ok()) {
      status = {apprt::kDriverError, {}, "the server's answers did not match the statements sent"};
    }
    close();
  }
  if (!status.ok() || !last) return {};
  return results.back();
}

DriverStatus Connection::judge(const std::vector<Result>& results,
                               const std::vector<std::string>& preparing,
                               const std::vector<bool>& prepares,
                               const std::vector<AnswerCheck>& checks) {
  DriverStatus first;
  std::size_t prepare = 0;
  // Answers that pair with the statements sent: a run that fell short names
  // its own places. A session that broke left one failure for them all.
  const bool paired = results.size() == prepares.size();
  for (std::size_t step = 0; step < prepares.size(); ++step) {
    // A session that broke answered nothing more.
    const Result answer = step < results.size() ? results[step] : Result();
    const bool aborted = answer.get() && PQresultStatus(answer.get()) == PGRES_PIPELINE_ABORTED;
    DriverStatus status;
    if (prepares[step]) {
      // A statement the server did not prepare is prepared again at its next use.
      if (!answer.ok()) prepared_.erase(preparing[prepare]);
      ++prepare;
    }
    if (checks[step] && (answer.ok() || (paired && fellShort(answer)))) {
      status = checks[step](answer);
    } else if (!answer.ok() && !aborted) {
      status = failure(answer);
    }
    if (first.ok()) first = status;
  }
  if (!first.ok() && inTransaction_ && transactionFailure_.empty()) {
    transactionFailure_ = first.driverMessage;
  }
  return first;
}

}  // namespace fesk::postgres
