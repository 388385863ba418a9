#include "drivers/postgres/pg_server_session.h"

#include <algorithm>

#include "drivers/common/thread_sessions.h"

namespace fesk::postgres {

using apprt::DriverStatus;

std::shared_ptr<ServerSession> ServerSession::forThisThread(
    const std::shared_ptr<Connection>& connection) {
  return drivers::ThreadSessions<ServerSession>::of(
      connection.get(), drivers::SessionLife::kProcessUsers,
      [&] { return std::make_shared<ServerSession>(connection); });
}

ServerSession::ServerSession(std::string conninfo, SessionRules rules)
    : ServerSession(std::make_shared<Connection>(std::move(conninfo), std::move(rules))) {}

ServerSession::ServerSession(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

ServerSession::~ServerSession() {
  snapshot_.reset();
  if (!connection_->heldHere()) return;
  const Turn turn(*connection_, kTurnPatience, &reads_);
  connection_->transaction().rollback();
  DriverStatus ignored;
  if (connection_->pipeline().open()) connection_->pipeline().exchange(nullptr, ignored);
  connection_->pipeline().discardQueued();
}

DriverStatus ServerSession::busy(std::chrono::milliseconds waited) {
  const auto seconds = std::max<long long>(1, (waited.count() + 999) / 1000);
  return {apprt::kDriverError, "55P03",
          "the connection to the database server is in use by another window's "
          "transaction; gave up after " +
              std::to_string(seconds) + " s"};
}

DriverStatus ServerSession::ready() {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) return busy(kTurnPatience);
  return current().link().ready();
}

bool ServerSession::stillOpen() {
  const Turn turn(current(), kTurnPatience, &reads_);
  return turn ? current().link().stillOpen() : true;
}

DriverStatus ServerSession::answerFirst(bool queued) {
  DriverStatus status;
  Pipeline& pipeline = current().pipeline();
  if (pipeline.open() || (queued && pipeline.queuing())) pipeline.exchange(nullptr, status);
  return status;
}

Result ServerSession::run(const std::string& sql, const std::vector<std::string>& values,
                          DriverStatus& status) {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) {
    status = busy(kTurnPatience);
    return {};
  }
  status = current().link().ready();
  if (!status.ok()) return {};
  const Query query{sql, values};
  return current().pipeline().exchange(&query, status);
}

DriverStatus ServerSession::queue(QueuedWrite write) {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) return busy(kTurnPatience);
  Pipeline& pipeline = current().pipeline();
  if (current().transaction().active()) return pipeline.queue(std::move(write));
  DriverStatus status = current().link().ready();
  if (!status.ok()) return status;
  status = pipeline.queue(std::move(write));
  if (status.ok()) pipeline.exchange(nullptr, status);
  return status;
}

DriverStatus ServerSession::runScript(const std::string& sql) {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) return busy(kTurnPatience);
  if (DriverStatus status = current().link().ready(); !status.ok()) return status;
  if (DriverStatus status = answerFirst(/*queued=*/false); !status.ok()) return status;
  DriverStatus status;
  current().link().exchange(sql, status);
  return status;
}

DriverStatus ServerSession::copyIn(const std::string& script, std::string_view rows) {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) return busy(kTurnPatience);
  if (DriverStatus status = current().link().ready(); !status.ok()) return status;
  if (DriverStatus status = answerFirst(/*queued=*/true); !status.ok()) return status;
  return current().link().copyIn(script, rows);
}

DriverStatus ServerSession::copyOut(const std::string& statement,
                                    const std::function<bool(std::string_view row)>& take) {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) return busy(kTurnPatience);
  if (DriverStatus status = current().link().ready(); !status.ok()) return status;
  if (DriverStatus status = answerFirst(/*queued=*/true); !status.ok()) return status;
  return current().link().copyOut(statement, take);
}

std::string ServerSession::liftTimeLimit() {
  const Turn turn(current(), kTurnPatience, &reads_);
  return current().link().liftTimeLimit();
}

std::string ServerSession::literal(const std::string& text) {
  const Turn turn(current(), kTurnPatience, &reads_);
  return turn ? current().link().literal(text) : "''";
}

DriverStatus ServerSession::begin(const std::string& tables, const std::string& fileNames,
                                  int timeoutSeconds) {
  // The listener gives the connection up at once; a wait of no time at all
  // would fail for it.
  const auto patience = std::max<std::chrono::milliseconds>(std::chrono::seconds(timeoutSeconds),
                                                            std::chrono::seconds(1));
  const Turn turn(current(), patience, &reads_);
  if (!turn) return busy(patience);
  return current().transaction().begin(tables, fileNames, timeoutSeconds);
}

DriverStatus ServerSession::beginSnapshot() {
  // One under way already: the transaction tells so.
  if (snapshot_ || inTransaction()) return current().transaction().beginSnapshot();
  {
    // The program's connection holds the lock: it is made sure of first.
    const Turn turn(*connection_, kTurnPatience, &reads_);
    if (!turn) return busy(kTurnPatience);
    if (DriverStatus status = connection_->link().ready(); !status.ok()) return status;
  }
  snapshot_ = connection_->beside();
  const Turn turn(*snapshot_, kTurnPatience, &reads_);
  DriverStatus status = snapshot_->transaction().beginSnapshot();
  if (!status.ok()) snapshot_.reset();
  return status;
}

void ServerSession::endSnapshot() {
  if (snapshot_ && !snapshot_->transaction().active()) snapshot_.reset();
}

DriverStatus ServerSession::commit() {
  DriverStatus status;
  {
    const Turn turn(current(), kTurnPatience, &reads_);
    if (!turn) return busy(kTurnPatience);
    status = current().transaction().commit();
  }
  endSnapshot();
  return status;
}

DriverStatus ServerSession::rollback() {
  DriverStatus status;
  {
    const Turn turn(current(), kTurnPatience, &reads_);
    if (!turn) return busy(kTurnPatience);
    status = current().transaction().rollback();
  }
  endSnapshot();
  return status;
}

DriverStatus ServerSession::atomically(const std::function<DriverStatus()>& work) {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (!turn) return busy(kTurnPatience);
  return current().transaction().atomically(work);
}

void ServerSession::countAsOwnWriter() {
  const Turn turn(current(), kTurnPatience, &reads_);
  if (turn) current().transaction().countAsOwnWriter();
}

bool ServerSession::inTransaction() {
  return current().heldHere() && current().transaction().active();
}

void ServerSession::beforeThreadWaits() {
  reads_.releaseAll();
  if (!current().heldHere()) return;
  const Turn turn(current(), kTurnPatience, &reads_);
  answerFirst(/*queued=*/false);
}

std::string ServerSession::server() {
  const Turn turn(current(), kTurnPatience, &reads_);
  return turn ? current().link().server() : "the database server";
}

std::vector<std::string> ServerSession::preparedStatements() {
  const Turn turn(current(), kTurnPatience, &reads_);
  return current().pipeline().preparedStatements();
}

}  // namespace fesk::postgres
