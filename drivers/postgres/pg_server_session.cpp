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

void ServerSession::withConnection(const std::function<void(Connection&)>& work) {
  {
    const Turn turn(current(), kBesideAfter, &reads_);
    if (turn) {
      work(current());
      return;
    }
  }
  const std::unique_ptr<Connection> aside = connection_->beside();
  const Turn turn(*aside, kTurnPatience, &reads_);
  work(*aside);
}

DriverStatus ServerSession::ready() {
  DriverStatus status;
  withConnection([&](Connection& connection) { status = connection.link().ready(); });
  return status;
}

bool ServerSession::stillOpen() {
  const Turn turn(current(), kBesideAfter, &reads_);
  return turn ? current().link().stillOpen() : true;
}

DriverStatus ServerSession::answerFirst(Connection& connection, bool queued) {
  DriverStatus status;
  Pipeline& pipeline = connection.pipeline();
  if (pipeline.open() || (queued && pipeline.queuing())) pipeline.exchange(nullptr, status);
  return status;
}

Result ServerSession::run(const std::string& sql, const std::vector<std::string>& values,
                          DriverStatus& status, const std::function<bool()>& goOn) {
  Result result;
  withConnection([&](Connection& connection) {
    status = connection.link().ready();
    const Query query{sql, values};
    if (!status.ok()) return;
    connection.link().askWhileWaiting(goOn);
    result = connection.pipeline().exchange(&query, status);
    connection.link().askWhileWaiting(nullptr);
  });
  return result;
}

std::optional<LayoutRows> ServerSession::earlyLayout(std::string_view table, DriverStatus& status) {
  std::optional<LayoutRows> rows;
  withConnection([&](Connection& connection) {
    status = connection.link().ready();
    if (status.ok()) rows = connection.earlyLayout().take(connection.link().openings(), table);
  });
  return rows;
}

DriverStatus ServerSession::queue(QueuedWrite write) {
  DriverStatus status;
  withConnection([&](Connection& connection) {
    Pipeline& pipeline = connection.pipeline();
    if (connection.transaction().active()) {
      status = pipeline.queue(std::move(write));
      return;
    }
    status = connection.link().ready();
    if (status.ok()) status = pipeline.queue(std::move(write));
    if (status.ok()) pipeline.exchange(nullptr, status);
  });
  return status;
}

DriverStatus ServerSession::runScript(const std::string& sql) {
  DriverStatus status;
  withConnection([&](Connection& connection) {
    status = connection.link().ready();
    if (status.ok()) status = answerFirst(connection, /*queued=*/false);
    if (status.ok()) connection.link().exchange(sql, status);
  });
  return status;
}

DriverStatus ServerSession::copyIn(const std::string& script, std::string_view rows) {
  DriverStatus status;
  withConnection([&](Connection& connection) {
    status = connection.link().ready();
    if (status.ok()) status = answerFirst(connection, /*queued=*/true);
    if (status.ok()) status = connection.link().copyIn(script, rows);
  });
  return status;
}

DriverStatus ServerSession::copyOut(const std::string& statement,
                                    const std::function<bool(std::string_view row)>& take) {
  DriverStatus status;
  withConnection([&](Connection& connection) {
    status = connection.link().ready();
    if (status.ok()) status = answerFirst(connection, /*queued=*/true);
    if (status.ok()) status = connection.link().copyOut(statement, take);
  });
  return status;
}

std::string ServerSession::liftTimeLimit() {
  const Turn turn(current(), kTurnPatience, &reads_);
  return current().link().liftTimeLimit();
}

std::string ServerSession::literal(const std::string& text) {
  std::string quoted;
  withConnection([&](Connection& connection) { quoted = connection.link().literal(text); });
  return quoted;
}

DriverStatus ServerSession::begin(const std::string& tables, const std::string& fileNames,
                                  int timeoutSeconds) {
  // The listener gives the connection up at once; a wait of no time at all
  // would fail for it.
  const auto patience = std::max<std::chrono::milliseconds>(std::chrono::seconds(timeoutSeconds),
                                                            std::chrono::seconds(1));
  const Turn turn(current(), patience, &reads_);
  if (!turn) return writtenElsewhere(fileNames, timeoutSeconds);
  return current().transaction().begin(tables, fileNames, timeoutSeconds);
}

DriverStatus ServerSession::beginSnapshot() {
  // One under way already: the transaction tells so.
  if (snapshot_ || inTransaction()) return current().transaction().beginSnapshot();
  {
    // The program's connection holds the lock: it is made sure of first,
    // unless another window works on it (and so holds the lock).
    const Turn turn(*connection_, kBesideAfter, &reads_);
    if (DriverStatus status = turn ? connection_->link().ready() : DriverStatus{}; !status.ok())
      return status;
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
  return endTransaction(&Transaction::commit);
}

DriverStatus ServerSession::rollback() {
  return endTransaction(&Transaction::rollback);
}

DriverStatus ServerSession::endTransaction(DriverStatus (Transaction::*end)()) {
  DriverStatus status;
  {
    const Turn turn(current(), kTurnPatience, &reads_);
    if (!turn) return busy(kTurnPatience);
    status = (current().transaction().*end)();
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
  const Turn turn(current(), kBesideAfter, &reads_);
  if (turn) current().transaction().countAsOwnWriter();
}

bool ServerSession::inTransaction() {
  return current().heldHere() && current().transaction().active();
}

void ServerSession::beforeThreadWaits() {
  reads_.releaseAll();
  if (!current().heldHere()) return;
  const Turn turn(current(), kTurnPatience, &reads_);
  answerFirst(current(), /*queued=*/false);
}

std::string ServerSession::server() {
  const Turn turn(current(), kBesideAfter, &reads_);
  return turn ? current().link().server() : "the database server";
}

std::vector<std::string> ServerSession::preparedStatements() {
  const Turn turn(current(), kTurnPatience, &reads_);
  return current().pipeline().preparedStatements();
}

}  // namespace fesk::postgres
