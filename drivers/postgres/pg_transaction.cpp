#include "drivers/postgres/pg_transaction.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "drivers/postgres/pg_messages.h"
#include "drivers/postgres/pg_own_sessions.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

// Ends the statements that begin a writing transaction: the server's number
// for it, to ask about it when the answer to its commit is lost.
constexpr const char* kNumbered = "SELECT txid_current()";

// How often, and how far apart, a lost commit's outcome is asked for while
// the server still holds the transaction in progress.
constexpr int kSettleAsks = 10;
constexpr std::chrono::milliseconds kSettlePause{50};

}  // namespace

Transaction::Transaction(ServerLink& link, Pipeline& pipeline) : link_(link), pipeline_(pipeline) {}

Transaction::~Transaction() {
  forgetSession(this);
}

void Transaction::countAsOwnWriter() {
  if (link_.libpq()) writesAs(this, PQbackendPID(link_.libpq()));
}

DriverStatus Transaction::readyToBegin() {
  if (active()) {
    return {apprt::kDriverError, "", "a transaction is already active in this thread"};
  }
  releaseReads();
  return link_.ready();
}

void Transaction::ended() {
  link_.stake(AtStake::kNothing);
  written_.clear();
  pipeline_.discardQueued();
}

void Transaction::started(const Result& numbered) {
  link_.stake(AtStake::kTransaction);
  countAsOwnWriter();
  written_.begin(numbered.rows() == 1 ? std::string(numbered.text(0, 0)) : "");
}

DriverStatus Transaction::beginSnapshot() {
  if (DriverStatus status = readyToBegin(); !status.ok()) return status;
  // The snapshot is taken at the first read, after the begin.
  DriverStatus status;
  link_.exchange("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", status);
  if (!status.ok()) return status;
  link_.stake(AtStake::kTransaction);
  return {};
}

DriverStatus Transaction::begin(const std::string& tables, const std::string& fileNames,
                                int timeoutSeconds) {
  if (DriverStatus status = readyToBegin(); !status.ok()) return status;
  // A lock time-out of 0 would mean no time-out at all.
  const int waitMs = std::max(timeoutSeconds, 0) * 1000;
  DriverStatus status;
  const Result result =
      link_.exchange("BEGIN; SET LOCAL lock_timeout = " + std::to_string(std::max(waitMs, 1)) +
                         "; LOCK TABLE " + tables + " IN SHARE ROW EXCLUSIVE MODE; " + kNumbered,
                     status);
  if (status.ok()) {
    started(result);
    return {};
  }
  if (link_.libpq()) {
    DriverStatus ignored;
    link_.exchange("ROLLBACK", ignored);
  }
  if (result.sqlState() == "55P03") status = writtenElsewhere(fileNames, timeoutSeconds);
  return status;
}

DriverStatus writtenElsewhere(const std::string& fileNames, int timeoutSeconds) {
  return {apprt::kDriverError, "55P03",
          fileNames + " is being written by another user; gave up after " +
              std::to_string(timeoutSeconds) + " s"};
}

DriverStatus Transaction::commit() {
  if (!active()) return {apprt::kDriverError, "", "no transaction is active"};
  releaseReads();
  DriverStatus status;
  if (!link_.stillOpen()) {
    status = link_.lost(link_.lossReason());
    ended();
    return status;
  }
  // The commit goes behind the queued writes, in their pipeline: when one of
  // them fails or falls short, the server skips it, and nothing is saved.
  // When the answer never comes, a new session asks whether the server kept
  // the transaction; when none can ask yet, the failure says so.
  const auto writeFailed = [this] {
    DriverStatus failed = pipeline_.queuedFailure();
    rollback();
    return failed;
  };
  if (!pipeline_.queuedFailure().ok()) return writeFailed();
  link_.stake(AtStake::kCommit);
  const Query commitAfterWrites{"COMMIT", {}, /*plannedEachTime=*/true};
  const Result result = pipeline_.queuing() || pipeline_.open()
                            ? pipeline_.exchange(&commitAfterWrites, status)
                            : link_.exchange("COMMIT", status);
  const bool sessionLost = !link_.libpq();
  if (sessionLost) status = settleLostCommit(status);
  link_.stake(AtStake::kTransaction);
  if (!sessionLost && !pipeline_.queuedFailure().ok()) return writeFailed();
  if (!sessionLost && status.ok() && result.commandStatus() != "COMMIT") {
    // A transaction in which a statement failed ends in a roll-back; a
    // commit the server skipped saved nothing either.
    status = {
        apprt::kDriverError, "25P02",
        fittedToWords("the transaction was rolled back after a failure: " + link_.firstFailure(),
                      kMessageLength)};
    rollback();
    return status;
  }
  ended();
  return status;
}

DriverStatus Transaction::atomically(const std::function<DriverStatus()>& work) {
  if (active()) return work();
  if (DriverStatus status = link_.ready(); !status.ok()) return status;
  DriverStatus status;
  const Result result = link_.exchange(std::string("BEGIN; ") + kNumbered, status);
  if (!status.ok()) return status;
  started(result);
  status = work();
  if (!status.ok()) {
    rollback();
    return status;
  }
  return commit();
}

DriverStatus Transaction::rollback() {
  if (!active()) return {};
  // What was sent is answered before the roll-back can be (what was not is
  // not sent); its failures no longer matter.
  pipeline_.discardQueued();
  DriverStatus ignored;
  if (pipeline_.open()) pipeline_.exchange(nullptr, ignored);
  ended();
  releaseReads();
  // A session that is gone took its transaction with it.
  if (link_.stillOpen()) link_.exchange("ROLLBACK", ignored);
  return {};
}

DriverStatus Transaction::settleLostCommit(DriverStatus status) {
  uncertain_ = std::move(written_);
  written_.clear();
  const std::string why = link_.lossReason();
  if (uncertain_.empty() || !link_.open().ok()) return status;
  // The server may not yet have noticed that the old session is gone, and
  // holds its transaction "in progress" until it does: asked again a few
  // times, it tells most losses for certain.
  std::string outcome = transactionStatus(uncertain_.transaction());
  for (int asked = 1; outcome == "in progress" && asked < kSettleAsks; ++asked) {
    std::this_thread::sleep_for(kSettlePause);
    outcome = transactionStatus(uncertain_.transaction());
  }
  if (outcome == "committed") {
    uncertain_.clear();
    return {};
  }
  if (outcome != "aborted") return status;
  uncertain_.clear();
  link_.stake(AtStake::kTransaction);  // it is known now: rolled back
  return link_.lost(why);
}

std::string Transaction::transactionStatus(const std::string& transaction) {
  DriverStatus status = link_.ready();
  if (!status.ok()) return "";
  const Query asked{"SELECT txid_status($1)", {transaction}};
  const Result result = pipeline_.exchange(&asked, status);
  return status.ok() && result.rows() == 1 ? std::string(result.text(0, 0)) : "";
}

bool Transaction::keptByLostCommit(const std::string& table, apprt::RecordIdentity identity,
                                   const std::string& image) {
  if (!uncertain_.wroteAs(table, identity, image)) return false;
  const bool kept = transactionStatus(uncertain_.transaction()) == "committed";
  uncertain_.clear();
  return kept;
}

}  // namespace fesk::postgres
