#include "drivers/postgres/pg_schema_lock.h"

#include "drivers/postgres/pg_messages.h"
#include "drivers/postgres/pg_own_sessions.h"
#include "drivers/postgres/pg_schema.h"

namespace fesk::postgres {
namespace {

// The lock's key: the schema's name (`schema`, an SQL expression) folded into
// 64 bits by the server itself, so that every workstation computes the same
// key. Advisory locks belong to a database, so equal schema names of two
// databases never meet.
std::string lockKey(const std::string& schema) {
  return "('x' || left(md5('fesk data set ' || " + schema + "), 16))::bit(64)::bigint";
}

// `text` as an SQL string literal for the open session `session`.
std::string quoted(PGconn* session, const std::string& text) {
  char* escaped = PQescapeLiteral(session, text.data(), text.size());
  std::string literal = escaped ? escaped : "''";
  PQfreemem(escaped);
  return literal;
}

}  // namespace

void SchemaLock::connectTo(const std::string& conninfo) {
  if (connection_ && conninfo == connectedTo_) return;
  if (connection_) {
    release();
    connection_->link().checkBeforeWork(nullptr);
  }
  connection_ = std::make_shared<Connection>(conninfo);
  connectedTo_ = conninfo;
  connection_->link().checkBeforeWork([this] { return heldAgain(); });
}

bool SchemaLock::share(const std::string& conninfo, const std::string& schema, std::string& why) {
  connectTo(conninfo);
  {
    const Turn turn(*connection_, kTurnPatience);
    if (!turn) {
      why = "the connection to the database server stayed in use by another window";
      return false;
    }
    if (!take(conninfo, schema, false, why)) return false;
  }
  if (!listener_) listener_ = std::make_unique<ChangeListener>(*this, *connection_);
  return true;
}

bool SchemaLock::takeAlone(const std::string& conninfo, const std::string& schema,
                           std::string& why) {
  listener_.reset();
  connectTo(conninfo);
  const Turn turn(*connection_, kTurnPatience);
  if (!turn) {
    why = "the connection to the database server stayed in use by another window";
    return false;
  }
  return take(conninfo, schema, true, why);
}

SchemaLock::~SchemaLock() {
  release();
  if (!connection_) return;
  const Turn turn(*connection_, kTurnPatience);
  if (turn) connection_->link().checkBeforeWork(nullptr);
}

void SchemaLock::release() {
  listener_.reset();  // it gives the connection back
  if (!connection_) return;
  const Turn turn(*connection_, kTurnPatience);
  if (turn) {
    letGo();
    connection_->link().close();
  }
  conninfo_.clear();
}

void SchemaLock::letGo() {
  ServerLink& link = connection_->link();
  if (lockedOn_ == link.openings() && link.stillOpen()) {
    // Answered before the server ends the session; a session already lost
    // holds nothing.
    apprt::DriverStatus ignored;
    link.exchange(
        std::string("SELECT pg_advisory_unlock_all()") + (channel_.empty() ? "" : "; UNLISTEN *"),
        ignored);
  }
  lockedOn_ = 0;
  connection_->earlyLayout().forget();
}

apprt::DriverStatus SchemaLock::heldAgain() {
  if (conninfo_.empty() || lockedOn_ == connection_->link().openings()) return {};
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
  ServerLink& link = connection_->link();
  apprt::DriverStatus status;
  if (!link.stillOpen()) status = link.open();
  if (!status.ok()) {
    why = status.driverMessage;
    return false;
  }
  const std::string name = quoted(link.libpq(), schema);
  const std::string function = alone ? "pg_try_advisory_lock" : "pg_try_advisory_lock_shared";
  std::string sql = "SELECT " + function + "(" + lockKey(name) + "), " + changeChannelSql(name);
  // A shared lock's session listens for the data set's changes and asks the
  // layout of its tables in the same round trip, after the lock, so that it
  // is read with the lock held (a restore replaces them with the lock
  // alone). Were the lock refused, the session is closed, and with it both.
  // A server that cannot listen (one in recovery) is still worked on, as
  // one whose other stations make no changes.
  if (!alone) {
    sql += "; DO $fesk$BEGIN EXECUTE 'LISTEN ' || quote_ident(" + changeChannelSql(name) +
           "); EXCEPTION WHEN OTHERS THEN NULL; END$fesk$; " + layoutQuestion(name, "true");
  }
  std::vector<Result> answers;
  link.exchange(sql, status, &answers);
  const Result result = answers.empty() ? Result() : answers.front();
  if (!status.ok()) {
    why = status.driverMessage;
    link.close();
    return false;
  }
  if (result.text(0, 0) != "t") {
    refused_ = true;
    refusedBy_ = link.server();
    const std::string data = "the data of schema " + schema + " on " + link.server();
    why = alone
              ? "another fesk is using " + data + "; close it and try again"
              : data + " is being replaced by another fesk (a restore); try again when it is done";
    // A connection that may not work on the data set holds nothing either.
    link.close();
    return false;
  }
  // Notifications come to the session that asked for them. Working alone
  // (a restore) needs none.
  channel_ = alone ? std::string() : result.text(0, 1);
  lockedOn_ = link.openings();
  if (!alone) connection_->earlyLayout().keep(lockedOn_, answers.back());
  ++generation_;
  if (listener_) listener_->wake();
  return true;
}

int SchemaLock::listeningSocket(int& generation) {
  generation = generation_;
  ServerLink& link = connection_->link();
  if (channel_.empty() || lockedOn_ != link.openings() || !link.stillOpen()) return -1;
  return PQsocket(link.libpq());
}

bool SchemaLock::takeNotifications(std::set<std::string>& tables) {
  ServerLink& link = connection_->link();
  // Reads what arrived without waiting, and closes a session found lost.
  if (!link.stillOpen()) return false;
  bool heard = false;
  while (PGnotify* notice = PQnotifies(link.libpq())) {
    if (!isOwnBackend(notice->be_pid)) {
      tables.insert(notice->extra);
      heard = true;
    }
    PQfreemem(notice);
  }
  return heard;
}

}  // namespace fesk::postgres
