#include "drivers/postgres/pg_connection.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "drivers/common/thread_sessions.h"
#include "drivers/postgres/pg_answer.h"
#include "drivers/postgres/pg_connection_string.h"
#include "drivers/postgres/pg_messages.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

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

// What every session runs under: the server gives up on a statement before
// this side gives up on the server.
std::vector<std::pair<std::string, std::string>> sessionSettings(const SessionRules& rules) {
  const auto statementMs = rules.answerTimeout.count() * 5 / 6;
  return {{"client_min_messages", "warning"},
          {"statement_timeout", std::to_string(statementMs)},
          {"lock_timeout", std::to_string(std::min<long long>(kLockTimeoutMs, statementMs))},
          {"idle_in_transaction_session_timeout", std::to_string(kIdleInTransactionTimeoutMs)}};
}

// Ends the statements that begin a writing transaction: the server's number
// for it, to ask about it when the answer to its commit is lost.
constexpr const char* kNumbered = "SELECT txid_current()";

}  // namespace

std::shared_ptr<Connection> Connection::forThisThread(const void* owner,
                                                      const std::string& conninfo,
                                                      const SessionRules& rules) {
  return drivers::ThreadSessions<Connection>::of(owner, drivers::SessionLife::kProcessUsers, [&] {
    return std::make_shared<Connection>(conninfo, rules);
  });
}

Connection::Connection(std::string conninfo, SessionRules rules)
    : conninfo_(std::move(conninfo)), rules_(std::move(rules)), owner_(getpid()) {}

Connection::~Connection() {
  // Finishing would tell the server to end the session, which in a forked
  // child is still the parent's.
  if (session_ && owner_ == getpid()) PQfinish(session_);
}

std::string Connection::server() const {
  if (!session_) return lastServer_.empty() ? "the database server" : lastServer_;
  const std::string host = PQhost(session_) ? PQhost(session_) : "";
  const std::string port = PQport(session_) ? PQport(session_) : "";
  const std::string database = PQdb(session_) ? PQdb(session_) : "";
  std::string where = host.starts_with('/') ? "in " + host : "at " + host;
  if (!port.empty()) where += host.starts_with('/') ? " (port " + port + ")" : ":" + port;
  return "the database server " + where + (database.empty() ? "" : ", database " + database);
}

void Connection::close() {
  if (session_) {
    lastServer_ = server();
    PQfinish(session_);
  }
  session_ = nullptr;
  prepared_.clear();
  // Writes queued for a session that is gone were never carried out, nor
  // were those sent without their answers.
  queued_.clear();
  sent_ = {};
}

DriverStatus Connection::open() {
  close();
  lossReason_.clear();
  // Defaults first: what the connection string or libpq's environment says wins.
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  const auto add = [&](const char* keyword, const char* value) {
    keywords.push_back(keyword);
    values.push_back(value);
  };
  const std::string connectTimeout = std::to_string(rules_.connectTimeoutSeconds);
  const std::string userTimeout = std::to_string(rules_.answerTimeout.count());
  // The session's settings go with the connection's start-up, which saves a
  // round trip, unless the user gives the server options of their own.
  const bool ownOptions = std::getenv("PGOPTIONS") || connectionStringSets(conninfo_, "options");
  const auto settings = sessionSettings(rules_);
  std::string options;
  for (const auto& [name, value] : settings) options += "-c " + name + "=" + value + " ";
  if (!std::getenv("PGCONNECT_TIMEOUT")) add("connect_timeout", connectTimeout.c_str());
  if (!ownOptions) add("options", options.c_str());
  add("fallback_application_name", "fesk");
  add("keepalives_idle", "10");
  add("keepalives_interval", "5");
  add("keepalives_count", "3");
  add("tcp_user_timeout", userTimeout.c_str());
  add("dbname", conninfo_.c_str());
  add("client_encoding", "UTF8");  // records hold UTF-8
  add(nullptr, nullptr);
  const auto started = std::chrono::steady_clock::now();
  if (started < retryAfter_) return lost(unanswered_);
  session_ = PQconnectdbParams(keywords.data(), values.data(), 1);
  if (!session_) return lost("out of memory");
  if (PQstatus(session_) != CONNECTION_OK) {
    // libpq quotes a connection string it cannot read, password and all.
    const std::string why = withoutPasswords(PQerrorMessage(session_), conninfo_);
    close();
    const auto now = std::chrono::steady_clock::now();
    if (now - started >= kSlowConnect) {
      retryAfter_ = now + rules_.retryPause;
      unanswered_ = why;
    }
    return lost(why);
  }
  PQsetNoticeProcessor(
      session_, [](void*, const char*) {}, nullptr);
  if (!ownOptions) return {};
  std::string statements;
  for (const auto& [name, value] : settings) statements += "SET " + name + " = " + value + "; ";
  DriverStatus status;
  exchange(statements, status);
  return status;
}

bool Connection::stillOpen() {
  if (session_ && closedByServer(session_)) {
    lossReason_ = PQerrorMessage(session_);
    close();
  }
  return session_ != nullptr;
}

DriverStatus Connection::ready() {
  if (!stillOpen()) {
    // The server rolled the transaction back when the session ended.
    if (inTransaction_) return lost(lossReason_);
    if (DriverStatus status = open(); !status.ok()) return status;
  }
  return rules_.beforeWork ? rules_.beforeWork() : DriverStatus{};
}

Result Connection::exchange(const std::function<int()>& send, DriverStatus& status) {
  // A pipeline under way is answered first, and its failure stops this.
  if (pipelineOpen()) {
    exchangeQueued(nullptr, status);
    if (!status.ok()) return {};
  }
  Result result;
  if (!send()) {
    status = failure(result);
    return result;
  }
  if (awaitAnswer(session_, rules_.answerTimeout, result) == Answer::kNone) {
    status = notAnswering();
    return {};
  }
  status = result.ok() ? DriverStatus{} : failure(result);
  return result;
}

Result Connection::exchange(const std::string& sql, DriverStatus& status) {
  return exchange([&] { return PQsendQuery(session_, sql.c_str()); }, status);
}

DriverStatus Connection::failure(const Result& result) {
  const std::string state = result.sqlState();
  const char* message =
      result.get() ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  const std::string words = oneLine(message ? message : PQerrorMessage(session_));
  DriverStatus status;
  if (!session_) {
    // Given up already (by an earlier statement of the same pipeline): the
    // reason it went for stands.
    status = lost(lossReason_);
  } else if (PQstatus(session_) != CONNECTION_OK) {
    lossReason_ = PQerrorMessage(session_);
    status = lost(lossReason_);
    close();
  } else if (state == "23505") {
    status = {apprt::kDuplicateKey, state, words};
  } else {
    status = {apprt::kDriverError, state, fittedToWords(words, kMessageLength)};
  }
  if (inTransaction_ && transactionFailure_.empty()) transactionFailure_ = status.driverMessage;
  return status;
}

Result Connection::run(const std::string& sql, const std::vector<std::string>& values,
                       DriverStatus& status) {
  status = ready();
  if (!status.ok()) return {};
  const Statement statement{sql, values};
  return exchangeQueued(&statement, status);
}

DriverStatus Connection::runScript(const std::string& sql) {
  if (DriverStatus status = ready(); !status.ok()) return status;
  DriverStatus status;
  exchange(sql, status);
  return status;
}

DriverStatus Connection::copyIn(const std::string& script, std::string_view rows) {
  DriverStatus status = ready();
  if (!status.ok()) return status;
  if (!queued_.empty() || pipelineOpen()) {
    exchangeQueued(nullptr, status);
    if (!status.ok()) return status;
  }
  Result result;
  if (!PQsendQuery(session_, script.c_str())) return failure(result);
  if (awaitCopy(session_, rules_.answerTimeout, rows, result) == Answer::kNone) {
    return notAnswering();
  }
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

DriverStatus Connection::readyToBegin() {
  if (inTransaction_) {
    return {apprt::kDriverError, "", "a transaction is already active in this thread"};
  }
  reads_.releaseAll();
  return ready();
}

void Connection::ended() {
  inTransaction_ = false;
  written_.clear();
  queuedFailure_ = {};
}

void Connection::started(const Result& numbered) {
  inTransaction_ = true;
  transactionFailure_.clear();
  written_.begin(numbered.rows() == 1 ? std::string(numbered.text(0, 0)) : "");
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
  DriverStatus status;
  const Result result =
      exchange("BEGIN; SET LOCAL lock_timeout = " + std::to_string(std::max(waitMs, 1)) +
                   "; LOCK TABLE " + tables + " IN SHARE ROW EXCLUSIVE MODE; " + kNumbered,
               status);
  if (status.ok()) {
    started(result);
    return {};
  }
  if (session_) {
    DriverStatus ignored;
    exchange("ROLLBACK", ignored);
  }
  if (result.sqlState() == "55P03") {
    status.driverMessage = fileNames + " is being written by another user; gave up after " +
                           std::to_string(timeoutSeconds) + " s";
  }
  return status;
}

DriverStatus Connection::commit() {
  if (!inTransaction_) return {apprt::kDriverError, "", "no transaction is active"};
  reads_.releaseAll();
  DriverStatus status;
  if (!stillOpen()) {
    status = lost(lossReason_);
    ended();
    return status;
  }
  // The commit goes behind the queued writes, in their pipeline: when one of
  // them fails or falls short, the server skips it, and nothing is saved.
  // When the answer never comes, a new session asks whether the server kept
  // the transaction; when none can ask yet, the failure says so.
  const auto writeFailed = [this] {
    DriverStatus failed = queuedFailure_;
    rollback();
    return failed;
  };
  if (!queuedFailure_.ok()) return writeFailed();
  committing_ = true;
  const Statement commitAfterWrites{"COMMIT", {}, /*plannedEachTime=*/true};
  const Result result = !queued_.empty() || pipelineOpen()
                            ? exchangeQueued(&commitAfterWrites, status)
                            : exchange("COMMIT", status);
  const bool sessionLost = !session_;
  if (sessionLost) status = settleLostCommit(status);
  committing_ = false;
  if (!sessionLost && !queuedFailure_.ok()) return writeFailed();
  if (!sessionLost && status.ok() && result.commandStatus() != "COMMIT") {
    // A transaction in which a statement failed ends in a roll-back; a
    // commit the server skipped saved nothing either.
    status = {
        apprt::kDriverError, "25P02",
        fittedToWords("the transaction was rolled back after a failure: " + transactionFailure_,
                      kMessageLength)};
    rollback();
    return status;
  }
  ended();
  return status;
}

DriverStatus Connection::atomically(const std::function<DriverStatus()>& work) {
  if (inTransaction_) return work();
  if (DriverStatus status = ready(); !status.ok()) return status;
  DriverStatus status;
  const Result result = exchange(std::string("BEGIN; ") + kNumbered, status);
  if (!status.ok()) return status;
  started(result);
  status = work();
  if (!status.ok()) {
    rollback();
    return status;
  }
  return commit();
}

DriverStatus Connection::rollback() {
  if (!inTransaction_) return {};
  // What was sent is answered before the roll-back can be (what was not is
  // not sent); its failures no longer matter.
  queued_.clear();
  DriverStatus ignored;
  if (pipelineOpen()) exchangeQueued(nullptr, ignored);
  ended();
  reads_.releaseAll();
  // A session that is gone took its transaction with it.
  if (stillOpen()) exchange("ROLLBACK", ignored);
  return {};
}

}  // namespace fesk::postgres
