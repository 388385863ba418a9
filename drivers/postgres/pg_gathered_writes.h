#pragma once
// Writes of one kind queued one after another (a cascade's updates of the
// children, its removes) go to the server as one statement over arrays of
// their values: the server then does one statement's work for them, not one
// per record, and each write is still judged on its own.

#include <vector>

#include "drivers/postgres/pg_connection.h"

namespace fesk::postgres {

// `queued` with every run of writes of one Gathering made one write, a run
// of one too. A run never names a record twice: a second write of it starts
// a new run, so that the writes of one record keep their order.
std::vector<QueuedWrite> gathered(std::vector<QueuedWrite> queued);

// Whether `answer` is the failure of a run that fell short: its check then
// judges it, naming the writes left out.
bool fellShort(const Result& answer);

// `values` as a text array literal of the server ({"a","b\"c"}).
std::string arrayLiteral(const std::vector<const std::string*>& values);

}  // namespace fesk::postgres
