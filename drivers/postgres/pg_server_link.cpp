#include "drivers/postgres/pg_server_link.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "drivers/postgres/pg_answer.h"
#include "drivers/postgres/pg_connection_string.h"
#include "drivers/postgres/pg_messages.h"
#include "runtime/files/change_author.h"

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

constexpr const char* kRolledBack = "the transaction was rolled back";
constexpr const char* kAllOrNone = "the server kept all of the transaction or none of it";

// Whole seconds, rounded up: "in 1 s" for any wait under a second.
long long seconds(std::chrono::milliseconds wait) {
  return (wait.count() + 999) / 1000;
}

}  // namespace

ServerLink::ServerLink(std::string conninfo, SessionRules rules)
    : conninfo_(std::move(conninfo)), rules_(std::move(rules)), owner_(getpid()) {}

ServerLink::~ServerLink() {
  // Finishing would tell the server to end the session, which in a forked
  // child is still the parent's.
  if (libpq_ && owner_ == getpid()) PQfinish(libpq_);
}

std::string ServerLink::server() const {
  if (!libpq_) return lastServer_.empty() ? "the database server" : lastServer_;
  const std::string host = PQhost(libpq_) ? PQhost(libpq_) : "";
  const std::string port = PQport(libpq_) ? PQport(libpq_) : "";
  const std::string database = PQdb(libpq_) ? PQdb(libpq_) : "";
  std::string where = host.starts_with('/') ? "in " + host : "at " + host;
  if (!port.empty()) where += host.starts_with('/') ? " (port " + port + ")" : ":" + port;
  return "the database server " + where + (database.empty() ? "" : ", database " + database);
}

void ServerLink::close() {
  if (libpq_) {
    lastServer_ = server();
    PQfinish(libpq_);
  }
  libpq_ = nullptr;
  unbounded_ = false;
  watch_.reset();
  if (whenClosed_) whenClosed_();
}

DriverStatus ServerLink::open() {
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
  // The station the history of the files records (pg_schema.h).
  const std::string applicationName = "fesk " + apprt::changeStation();
  add("fallback_application_name", applicationName.c_str());
  add("keepalives_idle", "10");
  add("keepalives_interval", "5");
  add("keepalives_count", "3");
  add("tcp_user_timeout", userTimeout.c_str());
  add("dbname", conninfo_.c_str());
  add("client_encoding", "UTF8");  // records hold UTF-8
  add(nullptr, nullptr);
  const auto started = std::chrono::steady_clock::now();
  if (started < retryAfter_) return lost(unanswered_);
  libpq_ = PQconnectdbParams(keywords.data(), values.data(), 1);
  if (!libpq_) return lost("out of memory");
  if (PQstatus(libpq_) != CONNECTION_OK) {
    // libpq quotes a connection string it cannot read, password and all.
    const std::string why = withoutPasswords(PQerrorMessage(libpq_), conninfo_);
    close();
    const auto now = std::chrono::steady_clock::now();
    if (now - started >= kSlowConnect) {
      retryAfter_ = now + rules_.retryPause;
      unanswered_ = why;
    }
    return lost(why);
  }
  ++openings_;
  PQsetNoticeProcessor(
      libpq_, [](void*, const char*) {}, nullptr);
  if (!ownOptions) return {};
  std::string statements;
  for (const auto& [name, value] : settings) statements += "SET " + name + " = " + value + "; ";
  DriverStatus status;
  exchange(statements, status);
  return status;
}

bool ServerLink::stillOpen() {
  if (libpq_ && closedByServer(libpq_)) {
    lossReason_ = PQerrorMessage(libpq_);
    close();
  }
  return libpq_ != nullptr;
}

DriverStatus ServerLink::ready() {
  if (!stillOpen()) {
    // The server rolled the transaction back when the session ended.
    if (atStake_ != AtStake::kNothing) return lost(lossReason_);
    if (DriverStatus status = open(); !status.ok()) return status;
  }
  return rules_.beforeWork ? rules_.beforeWork() : DriverStatus{};
}

Result ServerLink::exchange(const std::string& sql, DriverStatus& status,
                            std::vector<Result>* each) {
  Result result;
  if (!PQsendQuery(libpq_, sql.c_str())) {
    status = failure(result);
    return result;
  }
  if (awaitAnswer(libpq_, patience(), result, each) == Answer::kNone) {
    status = notAnswering();
    return {};
  }
  status = result.ok() ? DriverStatus{} : failure(result);
  return result;
}

DriverStatus ServerLink::copyIn(const std::string& script, std::string_view rows) {
  Result result;
  if (!PQsendQuery(libpq_, script.c_str())) return failure(result);
  if (awaitCopy(libpq_, patience(), rows, result) == Answer::kNone) {
    return notAnswering();
  }
  return result.ok() ? DriverStatus{} : failure(result);
}

DriverStatus ServerLink::copyOut(const std::string& statement,
                                 const std::function<bool(std::string_view row)>& take) {
  Result result;
  if (!PQsendQuery(libpq_, statement.c_str())) return failure(result);
  switch (awaitCopyOut(libpq_, patience(), take, result)) {
    case CopyOut::kNone:
      return notAnswering();
    case CopyOut::kStopped:
      lossReason_ = "the reading was stopped";
      close();
      return {};
    case CopyOut::kDone:
      break;
  }
  return result.ok() ? DriverStatus{} : failure(result);
}

std::string ServerLink::literal(const std::string& text) {
  if (!ready().ok()) return "''";
  char* escaped = PQescapeLiteral(libpq_, text.data(), text.size());
  std::string out = escaped ? escaped : "''";
  PQfreemem(escaped);
  return out;
}

Patience ServerLink::patience() {
  std::function<bool()> goOn;
  if (goOn_) {
    // The statement is cancelled once, at the first answer to stop.
    goOn = [this] {
      if (stopAsked_ || goOn_()) return true;
      stopAsked_ = true;
      return false;
    };
  }
  if (!unbounded_ || !libpq_) return {rules_.answerTimeout, {}, std::move(goOn)};
  if (!watch_) watch_ = std::make_unique<WorkWatch>(conninfo_, libpq_);
  return {
      rules_.answerTimeout,
      [watch = watch_.get()](std::chrono::milliseconds within) { return watch->atWork(within); },
      std::move(goOn)};
}

void ServerLink::askWhileWaiting(std::function<bool()> goOn) {
  goOn_ = std::move(goOn);
  stopAsked_ = false;
}

std::string ServerLink::liftTimeLimit() {
  unbounded_ = true;
  return "SET LOCAL statement_timeout = 0; ";
}

void ServerLink::stake(AtStake stake) {
  if (stake == AtStake::kNothing) {
    // The server's time-out comes back with the end of the transaction.
    unbounded_ = false;
    watch_.reset();
  }
  if (atStake_ == AtStake::kNothing) firstFailure_.clear();
  atStake_ = stake;
}

DriverStatus ServerLink::failure(const Result& result) {
  const std::string state = result.sqlState();
  const char* message =
      result.get() ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  const std::string words = oneLine(message ? message : PQerrorMessage(libpq_));
  DriverStatus status;
  if (!libpq_) {
    // Given up already (by an earlier statement of the same pipeline): the
    // reason it went for stands.
    status = lost(lossReason_);
  } else if (PQstatus(libpq_) != CONNECTION_OK) {
    lossReason_ = PQerrorMessage(libpq_);
    status = lost(lossReason_);
    close();
  } else if (state == "23505") {
    status = {apprt::kDuplicateKey, state, words};
  } else {
    status = {apprt::kDriverError, state, fittedToWords(words, kMessageLength)};
  }
  told(status);
  return status;
}

void ServerLink::told(const DriverStatus& failure) {
  if (!failure.ok() && atStake_ != AtStake::kNothing && firstFailure_.empty()) {
    firstFailure_ = failure.driverMessage;
  }
}

// What became of the transaction comes first, then the server, then the
// reason, which gives way where the text must be cut to fit.
DriverStatus ServerLink::unreachable(const std::string& what, const std::string& why) const {
  const std::string consequence = atStake_ == AtStake::kCommit        ? kAllOrNone
                                  : atStake_ == AtStake::kTransaction ? kRolledBack
                                                                      : "";
  const std::string head = (consequence.empty() ? "" : consequence + ": ") + server() + what;
  const std::size_t room = kMessageLength - std::min(kMessageLength, head.size());
  return {
      apprt::kDriverError, std::string(apprt::kUnreachableDriverCode),
      fittedToWords(head + fittedToWords(why, std::max<std::size_t>(room, 16)), kMessageLength)};
}

DriverStatus ServerLink::lost(const std::string& why) const {
  return unreachable(" cannot be reached: ", libpqReason(why));
}

DriverStatus ServerLink::notAnswering() {
  DriverStatus status =
      unreachable(" is not answering: ",
                  "nothing came back in " + std::to_string(seconds(rules_.answerTimeout)) + " s");
  lossReason_ = "it stopped answering";
  close();
  return status;
}

}  // namespace fesk::postgres
