#include "drivers/postgres/pg_answer.h"

#include <poll.h>

namespace fesk::postgres {
namespace {

using Clock = std::chrono::steady_clock;

// Whether the session's socket became ready for `events` before `deadline`.
bool socketReady(PGconn* session, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd socket{PQsocket(session), events, 0};
    if (socket.fd < 0) return true;  // libpq reports the broken session itself
    const int ready = poll(&socket, 1, static_cast<int>(left));
    if (ready != 0) return true;  // ready, or an error libpq will report
  }
}

bool failed(const Result& result) {
  return result.get() && !result.ok() && PQresultStatus(result.get()) != PGRES_EMPTY_QUERY;
}

}  // namespace

Answer awaitAnswer(PGconn* session, Clock::time_point deadline, Result& result) {
  result = Result();
  // A statement bigger than the socket's buffer goes out in parts.
  for (int left = PQflush(session); left > 0; left = PQflush(session)) {
    if (!socketReady(session, POLLIN | POLLOUT, deadline)) return Answer::kNone;
    if (!PQconsumeInput(session)) break;
  }
  for (;;) {
    while (PQisBusy(session)) {
      if (!socketReady(session, POLLIN, deadline)) return Answer::kNone;
      if (!PQconsumeInput(session)) break;  // gone: PQgetResult says why
    }
    PGresult* next = PQgetResult(session);
    if (!next) return Answer::kCame;
    if (!failed(result)) {
      result = Result(next);
    } else {
      PQclear(next);
    }
  }
}

}  // namespace fesk::postgres
