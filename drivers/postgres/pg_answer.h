#pragma once
// Waiting for the server's answer on this side of the network. The server's
// own time-outs end a statement that runs too long, but not a network that
// stalls (packets taken, nothing answered): keep-alives and the TCP user
// time-out do not notice a link whose far end acknowledges and then says
// nothing. So every answer is waited for with a time-out of our own: on the
// silence of the network, not on the whole exchange, so that long work that
// keeps sending or answering (a batch of thousands of writes, rows streamed
// in) is never given up on while it makes progress.

#include <libpq-fe.h>

#include <chrono>
#include <string_view>
#include <vector>

#include "drivers/postgres/pg_result.h"

namespace fesk::postgres {

enum class Answer { kCame, kNone };

// After a statement was sent on `session` (PQsend...): sends what is left of
// it, and waits for every result of it, as long as the network is never
// silent for `silence`. `result` holds the first failure among them, or else
// the last result. kNone: nothing came in time, and the session is in an
// unknown state (it must be closed).
Answer awaitAnswer(PGconn* session, std::chrono::milliseconds silence, Result& result);

// Sends what is left of the statements sent on `session`, taking in (and
// keeping) answers meanwhile; kNone as above.
Answer awaitSent(PGconn* session, std::chrono::milliseconds silence);

// After a script ending in a COPY ... FROM STDIN was sent on `session`:
// streams `rows` (COPY's text form) as the COPY's data, ends it, and waits
// for every result, as awaitAnswer does.
Answer awaitCopy(PGconn* session, std::chrono::milliseconds silence, std::string_view rows,
                 Result& result);

// After statements were sent on `session` in pipeline mode and ended with one
// sync point: sends what is left, and collects the result of each of them in
// order into `results` (one per statement, prepares included). A session that
// breaks before the sync point leaves only the failure in `results`: none of
// the statements counts. kNone as above.
Answer awaitPipeline(PGconn* session, std::chrono::milliseconds silence,
                     std::vector<Result>& results);

}  // namespace fesk::postgres
