#include "drivers/postgres/pg_answer.h"

#include <poll.h>

#include <algorithm>

namespace fesk::postgres {
namespace {

using Clock = std::chrono::steady_clock;

// The most COPY data handed to libpq at once.
constexpr std::size_t kCopyPiece = 1 << 16;

// How often a wait asks whether to go on (Patience::goOn).
constexpr std::chrono::milliseconds kAskEvery{100};

// Asks the server to cancel the statement it runs for `session`.
void cancelStatement(PGconn* session) {
  PGcancel* cancel = PQgetCancel(session);
  if (!cancel) return;
  char error[256];
  PQcancel(cancel, error, sizeof error);
  PQfreeCancel(cancel);
}

// Whether the session's socket became ready for `events` before `wait` passed.
bool readyWithin(PGconn* session, short events, std::chrono::milliseconds wait,
                 const Patience& patience) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    if (patience.goOn) left = std::min(left, kAskEvery);
    pollfd socket{PQsocket(session), events, 0};
    if (socket.fd < 0) return true;  // libpq reports the broken session itself
    const int ready = poll(&socket, 1, static_cast<int>(left.count()));
    if (ready != 0) return true;  // ready, or an error libpq will report
    if (patience.goOn && !patience.goOn()) cancelStatement(session);
  }
}

// Whether the session's socket became ready for `events` before the
// network was silent longer than `patience` allows.
bool socketReady(PGconn* session, short events, const Patience& patience) {
  if (!patience.atWork) return readyWithin(session, events, patience.silence, patience);
  const auto half = patience.silence / 2;
  while (!readyWithin(session, events, half, patience)) {
    if (!patience.atWork(patience.silence - half)) return false;
  }
  return true;
}

bool failed(const Result& result) {
  return result.get() && !result.ok() && PQresultStatus(result.get()) != PGRES_EMPTY_QUERY;
}

// Sends what is left of the statements, taking in answers meanwhile: the
// server stops reading while nobody reads what it answers.
bool sent(PGconn* session, const Patience& patience) {
  for (int left = PQflush(session); left > 0; left = PQflush(session)) {
    if (!socketReady(session, POLLIN | POLLOUT, patience)) return false;
    if (!PQconsumeInput(session)) break;
  }
  return true;
}

// Waits until a result (or the end of one statement's results) can be taken.
bool resultReady(PGconn* session, const Patience& patience) {
  while (PQisBusy(session)) {
    if (!socketReady(session, POLLIN, patience)) return false;
    if (!PQconsumeInput(session)) break;  // gone: PQgetResult says why
  }
  return true;
}

// Takes the results of a statement as they come, keeping the first failure
// (or else the last result) in `result`, until they end or a COPY from this
// side starts (`copying` then tells so); `each`, when given, gets every
// result in order.
Answer takeResults(PGconn* session, const Patience& patience, Result& result, bool& copying,
                   std::vector<Result>* each = nullptr) {
  copying = false;
  for (;;) {
    if (!resultReady(session, patience)) return Answer::kNone;
    PGresult* next = PQgetResult(session);
    if (!next) return Answer::kCame;
    if (PQresultStatus(next) == PGRES_COPY_IN) {
      PQclear(next);
      copying = true;
      return Answer::kCame;
    }
    const Result taken(next);
    if (each) each->push_back(taken);
    if (!failed(result)) result = taken;
  }
}

// A pipeline whose session broke before its sync point: whatever its
// statements answered before the break, the server undid them with the
// session's transaction (or never committed the implicit one the sync ends),
// unless a COMMIT among them was carried out first, which only the server
// can tell later. Its results become the failure alone, which also stands
// for every statement after it, so that no statement of the pipeline counts
// as carried out.
Answer brokenBeforeSync(std::vector<Result>& results) {
  const auto failure = std::ranges::find_if(results, [](const Result& result) {
    return result.get() && !result.ok() && PQresultStatus(result.get()) != PGRES_PIPELINE_ABORTED;
  });
  const Result reason = failure == results.end() ? Result() : *failure;
  results.assign(1, reason);
  return Answer::kCame;
}

}  // namespace

Answer awaitSent(PGconn* session, const Patience& patience) {
  return sent(session, patience) ? Answer::kCame : Answer::kNone;
}

Answer awaitAnswer(PGconn* session, const Patience& patience, Result& result,
                   std::vector<Result>* each) {
  result = Result();
  if (each) each->clear();
  if (!sent(session, patience)) return Answer::kNone;
  bool copying = false;
  return takeResults(session, patience, result, copying, each);
}

Answer awaitCopy(PGconn* session, const Patience& patience, std::string_view rows, Result& result) {
  result = Result();
  if (!sent(session, patience)) return Answer::kNone;
  // The statements before the COPY answer first; a failure among them ends
  // the script before the COPY starts.
  bool copying = false;
  if (const Answer answer = takeResults(session, patience, result, copying);
      answer == Answer::kNone || !copying) {
    return answer;
  }
  // Non-blocking, so that a server that stops reading is waited for with the
  // time-out of its silence, not for ever.
  const bool nonBlocking = PQsetnonblocking(session, 1) == 0;
  int put = nonBlocking ? 1 : -1;
  while (put == 1 && !rows.empty()) {
    const auto piece = std::min<std::size_t>(rows.size(), kCopyPiece);
    put = PQputCopyData(session, rows.data(), static_cast<int>(piece));
    if (put == 1) {
      rows.remove_prefix(piece);
    } else if (put == 0) {
      if (!socketReady(session, POLLOUT, patience)) return Answer::kNone;
      put = PQconsumeInput(session) ? 1 : -1;
    }
  }
  // A COPY cut short by a failure on this side is ended with one, so that
  // the server stores none of it.
  const char* cutShort = put == 1 ? nullptr : "the rows could not be sent";
  while (PQputCopyEnd(session, cutShort) == 0) {
    if (!socketReady(session, POLLOUT, patience)) return Answer::kNone;
  }
  const Answer answer = awaitAnswer(session, patience, result);
  PQsetnonblocking(session, 0);
  return answer;
}

CopyOut awaitCopyOut(PGconn* session, const Patience& patience,
                     const std::function<bool(std::string_view row)>& take, Result& result) {
  result = Result();
  if (!sent(session, patience) || !resultReady(session, patience)) return CopyOut::kNone;
  PGresult* first = PQgetResult(session);
  if (!first || PQresultStatus(first) != PGRES_COPY_OUT) {
    // Refused before any row: the rest of the answer follows.
    result = Result(first);
    Result rest;
    bool copying = false;
    if (takeResults(session, patience, rest, copying) == Answer::kNone) return CopyOut::kNone;
    return CopyOut::kDone;
  }
  PQclear(first);
  for (;;) {
    char* row = nullptr;
    const int length = PQgetCopyData(session, &row, /*async=*/1);
    if (length > 0) {
      // Each row ends in its line end.
      const bool more = take(std::string_view(row, static_cast<std::size_t>(length) - 1));
      PQfreemem(row);
      if (!more) return CopyOut::kStopped;
    } else if (length == 0) {
      if (!socketReady(session, POLLIN, patience)) return CopyOut::kNone;
      if (!PQconsumeInput(session)) break;  // gone: the result says why
    } else {
      break;  // the data ended (-1), or the session failed (-2)
    }
  }
  bool copying = false;
  return takeResults(session, patience, result, copying) == Answer::kNone ? CopyOut::kNone
                                                                          : CopyOut::kDone;
}

Answer awaitPipeline(PGconn* session, const Patience& patience, std::vector<Result>& results) {
  results.clear();
  if (!sent(session, patience)) return Answer::kNone;
  Result current;
  for (;;) {
    if (!resultReady(session, patience)) return Answer::kNone;
    PGresult* next = PQgetResult(session);
    if (!next) {
      // One statement's results are done; a session that broke gives no more.
      results.push_back(std::move(current));
      current = Result();
      if (PQstatus(session) != CONNECTION_OK) return brokenBeforeSync(results);
      continue;
    }
    if (PQresultStatus(next) == PGRES_PIPELINE_SYNC) {
      PQclear(next);
      return Answer::kCame;
    }
    if (!current.get()) {
      current = Result(next);
    } else {
      PQclear(next);
    }
  }
}

}  // namespace fesk::postgres
