#include "drivers/postgres/pg_connection.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "runtime/thread_wait.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

struct ThreadSession {
  const void* owner;
  std::weak_ptr<Connection> connection;
};
thread_local std::vector<ThreadSession> tSessions;

// The server's words on one line.
std::string oneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    const bool space = c == '\n' || c == '\t' || c == ' ';
    if (!space) {
      line += c;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// Whether the server has closed the session while it was idle (a restart, an
// administrator, a time-out): what it sent is read without waiting.
bool closedByServer(PGconn* session) {
  for (int i = 0; i < 4 && PQstatus(session) == CONNECTION_OK; ++i) {
    pollfd socket{PQsocket(session), POLLIN, 0};
    if (socket.fd < 0 || poll(&socket, 1, 0) <= 0) break;
    if (!PQconsumeInput(session)) break;
  }
  return PQstatus(session) != CONNECTION_OK;
}

constexpr auto kSlowConnect = std::chrono::seconds(1);
constexpr auto kRetryPause = std::chrono::seconds(5);

constexpr const char* kSessionSettings =
    "SET client_min_messages = warning; SET statement_timeout = %d; SET lock_timeout = %d; "
    "SET idle_in_transaction_session_timeout = %d";

}  // namespace

std::shared_ptr<Connection> Connection::forThisThread(const void* owner,
                                                      const std::string& conninfo) {
  static std::once_flag registered;
  std::call_once(registered, [] {
    apprt::onThreadWillWait([] {
      for (auto& session : tSessions) {
        if (auto connection = session.connection.lock()) connection->dropReadAhead();
      }
    });
  });
  std::erase_if(tSessions, [](const ThreadSession& s) { return s.connection.expired(); });
  for (auto& session : tSessions) {
    auto connection = session.connection.lock();
    if (session.owner == owner && connection->owner_ == getpid()) return connection;
  }
  auto connection = std::make_shared<Connection>(conninfo);
  tSessions.push_back({owner, connection});
  return connection;
}

Connection::Connection(std::string conninfo) : conninfo_(std::move(conninfo)), owner_(getpid()) {}

Connection::~Connection() {
  // Finishing would tell the server to end the session, which in a forked
  // child is still the parent's.
  if (session_ && owner_ == getpid()) PQfinish(session_);
}

std::string Connection::server() const {
  if (!session_) return "the database server";
  const std::string host = PQhost(session_) ? PQhost(session_) : "";
  const std::string port = PQport(session_) ? PQport(session_) : "";
  const std::string database = PQdb(session_) ? PQdb(session_) : "";
  std::string where = host.starts_with('/') ? "in " + host : "at " + host;
  if (!port.empty()) where += host.starts_with('/') ? " (port " + port + ")" : ":" + port;
  return "the database server " + where + (database.empty() ? "" : ", database " + database);
}

DriverStatus Connection::lost(const std::string& why) const {
  return {apprt::kDriverError, std::string(apprt::kUnreachableDriverCode),
          server() + " cannot be reached: " + why};
}

DriverStatus Connection::open() {
  if (session_) PQfinish(session_);
  session_ = nullptr;
  prepared_.clear();
  // Defaults first: what the connection string or libpq's environment says wins.
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  const auto add = [&](const char* keyword, const char* value) {
    keywords.push_back(keyword);
    values.push_back(value);
  };
  if (!std::getenv("PGCONNECT_TIMEOUT")) add("connect_timeout", "10");
  add("fallback_application_name", "fesk");
  add("keepalives_idle", "30");
  add("keepalives_interval", "10");
  add("keepalives_count", "3");
  add("tcp_user_timeout", "30000");
  add("dbname", conninfo_.c_str());
  add("client_encoding", "UTF8");  // records hold UTF-8
  add(nullptr, nullptr);
  const auto started = std::chrono::steady_clock::now();
  if (started < retryAfter_) return unanswered_;
  session_ = PQconnectdbParams(keywords.data(), values.data(), 1);
  if (!session_) return lost("out of memory");
  if (PQstatus(session_) != CONNECTION_OK) {
    DriverStatus status = lost(oneLine(PQerrorMessage(session_)));
    const auto now = std::chrono::steady_clock::now();
    if (now - started >= kSlowConnect) {
      retryAfter_ = now + kRetryPause;
      unanswered_ = status;
    }
    return status;
  }
  PQsetNoticeProcessor(
      session_, [](void*, const char*) {}, nullptr);
  char settings[256];
  std::snprintf(settings, sizeof settings, kSessionSettings, kStatementTimeoutMs, kLockTimeoutMs,
                kIdleInTransactionTimeoutMs);
  Result result(PQexec(session_, settings));
  return result.ok() ? DriverStatus{} : failure(result);
}

DriverStatus Connection::ready() {
  if (session_ && !closedByServer(session_)) return {};
  if (inTransaction_) {
    // The server rolled the transaction back when the session ended.
    return lost(oneLine(PQerrorMessage(session_)) + "; the transaction was rolled back");
  }
  return open();
}

DriverStatus Connection::failure(const Result& result) {
  const std::string state = result.sqlState();
  const char* message =
      result.get() ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  const std::string words = oneLine(message ? message : PQerrorMessage(session_));
  DriverStatus status;
  if (PQstatus(session_) != CONNECTION_OK) {
    status = lost(words);
  } else if (state == "23505") {
    status = {apprt::kDuplicateKey, state, words};
  } else {
    status = {apprt::kDriverError, state, words};
  }
  if (inTransaction_ && transactionFailure_.empty()) transactionFailure_ = status.driverMessage;
  return status;
}

bool Connection::prepare(const std::string& sql, int valueCount, std::string& name,
                         Result& failed) {
  if (const auto it = prepared_.find(sql); it != prepared_.end()) {
    name = it->second;
    return true;
  }
  name = "fesk" + std::to_string(prepared_.size() + 1);
  failed = Result(PQprepare(session_, name.c_str(), sql.c_str(), valueCount, nullptr));
  if (!failed.ok()) return false;
  prepared_.emplace(sql, name);
  return true;
}

Result Connection::run(const std::string& sql, const std::vector<std::string>& values,
                       DriverStatus& status) {
  status = ready();
  if (!status.ok()) return {};
  std::string name;
  Result result;
  if (!prepare(sql, static_cast<int>(values.size()), name, result)) {
    status = failure(result);
    return result;
  }
  std::vector<const char*> texts;
  texts.reserve(values.size());
  for (const auto& value : values) texts.push_back(value.c_str());
  result = Result(PQexecPrepared(session_, name.c_str(), static_cast<int>(texts.size()),
                                 texts.data(), nullptr, nullptr, 0));
  status = result.ok() ? DriverStatus{} : failure(result);
  return result;
}

DriverStatus Connection::runScript(const std::string& sql) {
  if (DriverStatus status = ready(); !status.ok()) return status;
  Result result(PQexec(session_, sql.c_str()));
  return result.ok() ? DriverStatus{} : failure(result);
}

std::string Connection::literal(const std::string& text) {
  if (!ready().ok()) return "''";
  char* escaped = PQescapeLiteral(session_, text.data(), text.size());
  std::string out = escaped ? escaped : "''";
  PQfreemem(escaped);
  return out;
}

std::vector<std::string> Connection::preparedStatements() const {
  std::vector<std::string> all;
  for (const auto& [sql, name] : prepared_) all.push_back(sql);
  return all;
}

void Connection::removeReadAhead(ReadAhead* reader) {
  std::erase(readers_, reader);
}

void Connection::dropReadAhead() {
  for (ReadAhead* reader : readers_) reader->dropReadAhead();
}

DriverStatus Connection::readyToBegin() {
  if (inTransaction_) {
    return {apprt::kDriverError, "", "a transaction is already active in this thread"};
  }
  dropReadAhead();
  return ready();
}

DriverStatus Connection::beginSnapshot() {
  if (DriverStatus status = readyToBegin(); !status.ok()) return status;
  // The snapshot is taken at the first read, after the begin.
  if (DriverStatus status = runScript("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
      !status.ok()) {
    return status;
  }
  inTransaction_ = true;
  transactionFailure_.clear();
  return {};
}

DriverStatus Connection::begin(const std::string& tables, const std::string& fileNames,
                               int timeoutSeconds) {
  if (DriverStatus status = readyToBegin(); !status.ok()) return status;
  // A lock time-out of 0 would mean no time-out at all.
  const int waitMs = std::max(timeoutSeconds, 0) * 1000;
  Result result(
      PQexec(session_, ("BEGIN; SET LOCAL lock_timeout = " + std::to_string(std::max(waitMs, 1)) +
                        "; LOCK TABLE " + tables + " IN SHARE ROW EXCLUSIVE MODE")
                           .c_str()));
  if (result.ok()) {
    inTransaction_ = true;
    transactionFailure_.clear();
    return {};
  }
  DriverStatus status = failure(result);
  if (PQstatus(session_) == CONNECTION_OK) Result(PQexec(session_, "ROLLBACK"));
  if (result.sqlState() == "55P03") {
    status.driverMessage = fileNames + " is being written by another user; gave up after " +
                           std::to_string(timeoutSeconds) + " s";
  }
  return status;
}

DriverStatus Connection::commit() {
  if (!inTransaction_) return {apprt::kDriverError, "", "no transaction is active"};
  dropReadAhead();
  if (closedByServer(session_)) {
    inTransaction_ = false;
    return lost(oneLine(PQerrorMessage(session_)) + "; the transaction was rolled back");
  }
  Result result(PQexec(session_, "COMMIT"));
  DriverStatus status = result.ok() ? DriverStatus{} : failure(result);
  if (PQstatus(session_) != CONNECTION_OK) {
    // The answer to the commit never came: the server kept all of the
    // transaction or none of it.
    status.driverMessage += "; the server kept all of the transaction or none of it";
  } else if (status.ok() && result.commandStatus() == "ROLLBACK") {
    // A transaction in which a statement failed ends in a roll-back.
    status = {apprt::kDriverError, "25P02",
              "the transaction was rolled back after a failure: " + transactionFailure_};
  }
  inTransaction_ = false;
  return status;
}

DriverStatus Connection::atomically(const std::function<DriverStatus()>& work) {
  if (inTransaction_) return work();
  if (DriverStatus status = runScript("BEGIN"); !status.ok()) return status;
  inTransaction_ = true;
  transactionFailure_.clear();
  DriverStatus status = work();
  if (!status.ok()) {
    rollback();
    return status;
  }
  return commit();
}

DriverStatus Connection::rollback() {
  if (!inTransaction_) return {};
  inTransaction_ = false;
  dropReadAhead();
  // A session that is gone took its transaction with it.
  if (PQstatus(session_) == CONNECTION_OK) Result(PQexec(session_, "ROLLBACK"));
  return {};
}

}  // namespace fesk::postgres
