#include "drivers/postgres/pg_pipeline.h"

#include "drivers/postgres/pg_answer.h"

namespace fesk::postgres {

using apprt::DriverStatus;

namespace {

// The queued writes that go out at once, without waiting for the statement
// that ends their pipeline.
constexpr std::size_t kWritesSentAhead = 1024;

}  // namespace

Pipeline::Pipeline(ServerLink& link) : link_(link) {
  link_.whenClosed([this] { forget(); });
}

void Pipeline::forget() {
  prepared_.clear();
  // Writes queued for a session that is gone were never carried out, nor
  // were those sent without their answers.
  queued_.clear();
  sent_ = {};
}

void Pipeline::discardQueued() {
  queued_.clear();
  queuedFailure_ = {};
}

DriverStatus Pipeline::queue(QueuedWrite write) {
  // Nothing more of a transaction that cannot be saved is worth sending.
  if (!queuedFailure_.ok()) return queuedFailure_;
  queued_.push_back(std::move(write));
  if (queued_.size() < kWritesSentAhead) return {};
  // Sent whole before this returns, so that the server has it to work on;
  // the answers that came meanwhile are taken in, so that the server never
  // stops for want of this side reading them.
  DriverStatus status = link_.ready();
  if (status.ok() && send(nullptr, status)) {
    if (awaitSent(link_.libpq(), link_.patience()) == Answer::kNone) {
      status = link_.notAnswering();
    } else if (!PQconsumeInput(link_.libpq())) {
      status = link_.failure(Result());
      link_.close();
    }
  }
  if (!status.ok()) queuedFailure_ = status;
  return status;
}

bool Pipeline::sendStep(const Query& query, const AnswerCheck& check) {
  bool prepared = false;
  if (!prepared_.send(link_.libpq(), query, prepared)) return false;
  if (prepared) {
    sent_.prepares.push_back(true);
    sent_.checks.emplace_back();
    sent_.preparing.push_back(query.sql);
  }
  sent_.prepares.push_back(false);
  sent_.checks.push_back(check);
  return true;
}

bool Pipeline::send(const Query* last, DriverStatus& status) {
  const std::vector<WriteRun> batch = gathered(std::move(queued_));
  queued_.clear();
  sent_.writes = sent_.writes || !batch.empty();
  PGconn* session = link_.libpq();
  // Non-blocking, so that sending a long pipeline never waits on a server
  // that waits for its answers to be read. The session stays so until the
  // pipeline is answered; one that a statement already failed (aborted) is
  // still open, and the server skips what is sent into it.
  bool sent = PQpipelineStatus(session) != PQ_PIPELINE_OFF ||
              (PQenterPipelineMode(session) && PQsetnonblocking(session, 1) == 0);
  for (std::size_t i = 0; sent && i < batch.size(); ++i) {
    sent = sendStep(batch[i].statement, batch[i].check);
  }
  if (sent && last) sent = sendStep(*last, {});
  if (!sent) {
    // What the server was sent of the pipeline is unknown: the session goes.
    status = link_.failure(Result());
    link_.close();
  }
  return sent;
}

Result Pipeline::exchange(const Query* last, DriverStatus& status) {
  // A failure, however it came, fails the transaction of the writes it carried.
  const bool writes = sent_.writes || !queued_.empty();
  Result answer = this->answer(last, status);
  if (!status.ok() && link_.atStake() != AtStake::kNothing && writes) queuedFailure_ = status;
  return answer;
}

Result Pipeline::answer(const Query* last, DriverStatus& status) {
  if (!send(last, status)) return {};
  const SentSteps steps = std::move(sent_);
  sent_ = {};
  PGconn* session = link_.libpq();
  std::vector<Result> results;
  if (!PQpipelineSync(session)) {
    status = link_.failure(Result());
    link_.close();
    return {};
  }
  if (awaitPipeline(session, link_.patience(), results) == Answer::kNone) {
    status = link_.notAnswering();
    return {};
  }
  status = judge(results, steps);
  // Answers that do not pair with what was sent cannot be trusted, nor can
  // the session that gave them: never an empty answer called a success.
  const bool paired = results.size() == steps.prepares.size();
  if (!paired || !link_.libpq() || !PQexitPipelineMode(session) ||
      PQsetnonblocking(session, 0) != 0) {
    if (status.ok()) {
      status = {apprt::kDriverError, {}, "the server's answers did not match the statements sent"};
    }
    link_.close();
  }
  if (!status.ok() || !last) return {};
  return results.back();
}

DriverStatus Pipeline::judge(const std::vector<Result>& results, const SentSteps& steps) {
  DriverStatus first;
  std::size_t prepare = 0;
  // Answers that pair with the statements sent: a run that fell short names
  // its own places. A session that broke left one failure for them all.
  const bool paired = results.size() == steps.prepares.size();
  for (std::size_t step = 0; step < steps.prepares.size(); ++step) {
    // A session that broke answered nothing more.
    const Result answer = step < results.size() ? results[step] : Result();
    const bool aborted = answer.get() && PQresultStatus(answer.get()) == PGRES_PIPELINE_ABORTED;
    DriverStatus status;
    if (steps.prepares[step]) {
      // A statement the server did not prepare is prepared again at its next use.
      if (!answer.ok()) prepared_.refused(steps.preparing[prepare]);
      ++prepare;
    }
    const AnswerCheck& check = steps.checks[step];
    if (check && (answer.ok() || (paired && fellShort(answer)))) {
      status = check(answer);
      // A failed answer never counts as carried out, whatever its check made
      // of it (a failure of another kind whose words read like a shortfall).
      if (status.ok() && !answer.ok()) status = link_.failure(answer);
    } else if (!answer.ok() && !aborted) {
      status = link_.failure(answer);
    }
    if (first.ok()) first = status;
  }
  link_.told(first);
  return first;
}

}  // namespace fesk::postgres
