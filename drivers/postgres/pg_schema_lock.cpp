#include "drivers/postgres/pg_schema_lock.h"

#include "drivers/postgres/pg_messages.h"
#include "drivers/postgres/pg_own_sessions.h"
#include "drivers/postgres/pg_schema.h"

namespace fesk::postgres {
namespace {

// The lock's key: the schema's name folded into 64 bits by the server itself,
// so that every workstation computes the same key. Advisory locks belong to a
// database, so equal schema names of two databases never meet.
constexpr const char* kLockKey = "('x' || left(md5('fesk data set ' || $1), 16))::bit(64)::bigint";

}  // namespace

bool SchemaLock::share(const std::string& conninfo, const std::string& schema, std::string& why) {
  {
    std::lock_guard guard(mutex_);
    if (!take(conninfo, schema, false, why)) return false;
  }
  if (!listener_) listener_ = std::make_unique<ChangeListener>(*this);
  return true;
}

bool SchemaLock::takeAlone(const std::string& conninfo, const std::string& schema,
                           std::string& why) {
  std::lock_guard guard(mutex_);
  return take(conninfo, schema, true, why);
}

SchemaLock::~SchemaLock() {
  release();
}

void SchemaLock::release() {
  listener_.reset();  // it takes the mutex itself
  std::lock_guard guard(mutex_);
  letGo();
  conninfo_.clear();
}

void SchemaLock::letGo() {
  if (session_ && session_->stillOpen()) {
    // Answered before the server ends the session; a session already lost
    // holds nothing.
    apprt::DriverStatus ignored;
    session_->run("SELECT pg_advisory_unlock_all()", {}, ignored);
  }
  session_.reset();
}

apprt::DriverStatus SchemaLock::heldAgain() {
  std::lock_guard guard(mutex_);
  if (conninfo_.empty() || (session_ && session_->stillOpen())) return {};
  std::string why;
  if (take(conninfo_, schema_, alone_, why)) return {};
  if (refused_) {
    // Told on every read and write until the restore is over; the server
    // comes last, where a cut to fit takes least.
    why = "a restore is replacing the data of schema " + schema_ +
          ": nothing is read or saved until it is done, on " + refusedBy_;
  }
  return {apprt::kDriverError, std::string(apprt::kUnreachableDriverCode),
          fittedToWords(why, kMessageLength)};
}

bool SchemaLock::take(const std::string& conninfo, const std::string& schema, bool alone,
                      std::string& why) {
  letGo();
  refused_ = false;
  conninfo_ = conninfo;
  schema_ = schema;
  alone_ = alone;
  auto session = std::make_unique<ServerSession>(conninfo);
  apprt::DriverStatus status;
  const std::string function = alone ? "pg_try_advisory_lock" : "pg_try_advisory_lock_shared";
  const Result result = session->run(
      "SELECT " + function + "(" + kLockKey + "), " + changeChannelSql("$1"), {schema}, status);
  if (!status.ok()) {
    why = status.driverMessage;
    return false;
  }
  if (result.text(0, 0) != "t") {
    refused_ = true;
    refusedBy_ = session->server();
    const std::string data = "the data of schema " + schema + " on " + session->server();
    why = alone
              ? "another fesk is using " + data + "; close it and try again"
              : data + " is being replaced by another fesk (a restore); try again when it is done";
    return false;
  }
  // Notifications come to the session that asked for them: the lock's,
  // which is idle anyway. Working alone (a restore) needs none.
  channel_ = alone ? std::string() : result.text(0, 1);
  if (!channel_.empty() && !session->runScript("LISTEN " + channel_).ok()) channel_.clear();
  session_ = std::move(session);
  ++generation_;
  if (listener_) listener_->wake();
  return true;
}

int SchemaLock::listeningSocket(int& generation) {
  std::lock_guard guard(mutex_);
  generation = generation_;
  if (!session_ || channel_.empty() || !session_->stillOpen()) return -1;
  return PQsocket(session_->libpq());
}

void SchemaLock::takeNotifications(std::set<std::string>& tables) {
  std::lock_guard guard(mutex_);
  if (!session_ || !session_->libpq()) return;
  PGconn* connection = session_->libpq();
  if (PQconsumeInput(connection) == 0) {
    session_.reset();  // lost: nothing to let go of on the server
    return;
  }
  while (PGnotify* notice = PQnotifies(connection)) {
    if (!isOwnBackend(notice->be_pid)) tables.insert(notice->extra);
    PQfreemem(notice);
  }
}

}  // namespace fesk::postgres
