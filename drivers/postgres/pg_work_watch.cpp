#include "drivers/postgres/pg_work_watch.h"

#include <poll.h>

#include "drivers/postgres/pg_answer.h"

namespace fesk::postgres {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds leftUntil(Clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

// A server process of the same role is seen with its state.
constexpr const char* kAtWork =
    "SELECT state = 'active' FROM pg_catalog.pg_stat_activity WHERE pid = $1";

}  // namespace

WorkWatch::WorkWatch(const std::string& conninfo, const PGconn* watched)
    : conninfo_(conninfo),
      host_(PQhost(watched) ? PQhost(watched) : ""),
      port_(PQport(watched) ? PQport(watched) : ""),
      backendPid_(std::to_string(PQbackendPID(watched))) {}

WorkWatch::~WorkWatch() {
  if (libpq_) PQfinish(libpq_);
}

bool WorkWatch::connected(Clock::time_point deadline) {
  if (libpq_ && PQstatus(libpq_) == CONNECTION_OK) return true;
  if (libpq_) PQfinish(libpq_);
  // The host and port after the connection string win over those it names.
  const char* keywords[] = {"fallback_application_name", "dbname", "host", "port", nullptr};
  const char* values[] = {"fesk", conninfo_.c_str(), host_.c_str(), port_.c_str(), nullptr};
  libpq_ = PQconnectStartParams(keywords, values, 1);
  // Started without blocking, so that the wait for it is ours to bound.
  for (PostgresPollingStatusType polling = PGRES_POLLING_WRITING;;) {
    if (!libpq_ || PQstatus(libpq_) == CONNECTION_BAD) return false;
    if (polling == PGRES_POLLING_OK) return true;
    if (polling == PGRES_POLLING_FAILED) return false;
    const auto left = leftUntil(deadline).count();
    pollfd socket{PQsocket(libpq_),
                  static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
    if (left <= 0 || socket.fd < 0 || poll(&socket, 1, static_cast<int>(left)) <= 0) return false;
    polling = PQconnectPoll(libpq_);
  }
}

bool WorkWatch::atWork(std::chrono::milliseconds within) {
  const auto deadline = Clock::now() + within;
  if (!connected(deadline)) return false;
  const char* values[] = {backendPid_.c_str()};
  Result result;
  if (!PQsendQueryParams(libpq_, kAtWork, 1, nullptr, values, nullptr, nullptr, 0) ||
      awaitAnswer(libpq_, leftUntil(deadline), result) == Answer::kNone) {
    // A session left in the middle of an answer cannot ask again.
    PQfinish(libpq_);
    libpq_ = nullptr;
    return false;
  }
  return result.ok() && result.rows() == 1 && result.text(0, 0) == "t";
}

}  // namespace fesk::postgres
