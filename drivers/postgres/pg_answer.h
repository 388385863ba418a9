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
#include <functional>
#include <string_view>
#include <vector>

#include "drivers/postgres/pg_result.h"

namespace fesk::postgres {

enum class Answer { kCame, kNone };

// How long a wait may hear nothing. A statement whose length has no bound
// (records added in bulk) is as silent while the server works on it as a
// network that stalls; `atWork` then tells the two apart: asked once half of
// the silence passed with nothing heard, and given the other half to answer,
// true when the server is still at work on the statement, which starts the
// wait anew.
// `goOn`, when given, is asked every little while as the wait goes on: once
// it answers false the server is asked to cancel the statement under way,
// whose failure then answers as any other.
// A silence alone converts to a patience without a watch.
struct Patience {
  Patience(std::chrono::milliseconds silence,
           std::function<bool(std::chrono::milliseconds within)> atWork = {},
           std::function<bool()> goOn = {})
      : silence(silence), atWork(std::move(atWork)), goOn(std::move(goOn)) {}
  std::chrono::milliseconds silence;
  std::function<bool(std::chrono::milliseconds within)> atWork;
  std::function<bool()> goOn;
};

// After a statement was sent on `session` (PQsend...): sends what is left of
// it, and waits for every result of it, as long as the network is never
// silent longer than `patience` allows. `result` holds the first failure
// among them, or else the last result; `each`, when given, gets the result
// of every statement in order. kNone: nothing came in time, and the session
// is in an unknown state (it must be closed).
Answer awaitAnswer(PGconn* session, const Patience& patience, Result& result,
                   std::vector<Result>* each = nullptr);

// Sends what is left of the statements sent on `session`, taking in (and
// keeping) answers meanwhile; kNone as above.
Answer awaitSent(PGconn* session, const Patience& patience);

// After a script ending in a COPY ... FROM STDIN was sent on `session`:
// streams `rows` (COPY's text form) as the COPY's data, ends it, and waits
// for every result, as awaitAnswer does.
Answer awaitCopy(PGconn* session, const Patience& patience, std::string_view rows, Result& result);

// After a statement COPY ... TO STDOUT was sent on `session`: hands each row
// of its data (COPY's text form, without its line end) to `take` as it
// arrives, so that memory does not grow with the rows, and waits for the
// statement's result, as awaitAnswer does. A `take` that answers false stops
// the taking: kStopped, and the session is in the middle of the answer (it
// must be closed).
enum class CopyOut { kDone, kStopped, kNone };
CopyOut awaitCopyOut(PGconn* session, const Patience& patience,
                     const std::function<bool(std::string_view row)>& take, Result& result);

// After statements were sent on `session` in pipeline mode and ended with one
// sync point: sends what is left, and collects the result of each of them in
// order into `results` (one per statement, prepares included). A session that
// breaks before the sync point leaves only the failure in `results`: none of
// the statements counts. kNone as above.
Answer awaitPipeline(PGconn* session, const Patience& patience, std::vector<Result>& results);

}  // namespace fesk::postgres
