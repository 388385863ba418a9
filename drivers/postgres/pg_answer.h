#pragma once
// Waiting for the server's answer on this side of the network. The server's
// own time-outs end a statement that runs too long, but not a network that
// stalls (packets taken, nothing answered): keep-alives and the TCP user
// time-out do not notice a link whose far end acknowledges and then says
// nothing. So every answer is waited for with a deadline of our own.

#include <libpq-fe.h>

#include <chrono>

#include "drivers/postgres/pg_result.h"

namespace fesk::postgres {

enum class Answer { kCame, kNone };

// After a statement was sent on `session` (PQsend...): sends what is left of
// it, and waits for every result of it until `deadline`. `result` holds the
// first failure among them, or else the last result. kNone: nothing came in
// time, and the session is in an unknown state (it must be closed).
Answer awaitAnswer(PGconn* session, std::chrono::steady_clock::time_point deadline, Result& result);

}  // namespace fesk::postgres
