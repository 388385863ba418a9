#include "drivers/postgres/pg_server_session.h"

#include "drivers/common/thread_sessions.h"

namespace fesk::postgres {

using apprt::DriverStatus;

std::shared_ptr<ServerSession> ServerSession::forThisThread(const void* owner,
                                                            const std::string& conninfo,
                                                            const SessionRules& rules) {
  return drivers::ThreadSessions<ServerSession>::of(
      owner, drivers::SessionLife::kProcessUsers,
      [&] { return std::make_shared<ServerSession>(conninfo, rules); });
}

ServerSession::ServerSession(std::string conninfo, SessionRules rules)
    : link_(std::move(conninfo), std::move(rules)) {}

DriverStatus ServerSession::answerFirst(bool queued) {
  DriverStatus status;
  if (pipeline_.open() || (queued && pipeline_.queuing())) pipeline_.exchange(nullptr, status);
  return status;
}

Result ServerSession::run(const std::string& sql, const std::vector<std::string>& values,
                          DriverStatus& status) {
  status = ready();
  if (!status.ok()) return {};
  const Query query{sql, values};
  return pipeline_.exchange(&query, status);
}

DriverStatus ServerSession::queue(QueuedWrite write) {
  if (inTransaction()) return pipeline_.queue(std::move(write));
  DriverStatus status = ready();
  if (!status.ok()) return status;
  status = pipeline_.queue(std::move(write));
  if (status.ok()) pipeline_.exchange(nullptr, status);
  return status;
}

DriverStatus ServerSession::runScript(const std::string& sql) {
  if (DriverStatus status = ready(); !status.ok()) return status;
  if (DriverStatus status = answerFirst(/*queued=*/false); !status.ok()) return status;
  DriverStatus status;
  link_.exchange(sql, status);
  return status;
}

DriverStatus ServerSession::copyIn(const std::string& script, std::string_view rows) {
  if (DriverStatus status = ready(); !status.ok()) return status;
  if (DriverStatus status = answerFirst(/*queued=*/true); !status.ok()) return status;
  return link_.copyIn(script, rows);
}

DriverStatus ServerSession::copyOut(const std::string& statement,
                                    const std::function<bool(std::string_view row)>& take) {
  if (DriverStatus status = ready(); !status.ok()) return status;
  if (DriverStatus status = answerFirst(/*queued=*/true); !status.ok()) return status;
  return link_.copyOut(statement, take);
}

void ServerSession::beforeThreadWaits() {
  reads_.releaseAll();
  answerFirst(/*queued=*/false);
}

}  // namespace fesk::postgres
