#pragma once
// Writes of one kind queued one after another (a cascade's updates of the
// children, its removes) go to the server as one statement over arrays of
// their values: the server then does one statement's work for them, not one
// per record, and each write is still judged on its own.

#include <functional>
#include <string>
#include <vector>

#include "drivers/postgres/pg_prepared_statements.h"
#include "drivers/postgres/pg_result.h"
#include "runtime/files/driver.h"

namespace fesk::postgres {

// Judges the answer to a run of queued writes: the failure to tell, or none.
using AnswerCheck = std::function<apprt::DriverStatus(const Result&)>;

// A write whose answer its caller need not wait for: it goes out together
// with the writes of its kind queued right after it.
struct QueuedWrite {
  // Its values; the last names the record.
  std::vector<std::string> values;
  // The statement of its kind: it takes, for each value of one write, an
  // array of that value over all of them, and answers the place (from 1) of
  // every write it carried out.
  std::string gatheredSql;
  // Judges the write by whether it was carried out.
  std::function<apprt::DriverStatus(bool written)> check;
};

// One statement for a run of queued writes, and the judge of its answer.
struct WriteRun {
  Query statement;
  AnswerCheck check;
};

// `queued` in runs of writes of one kind, a run of one too. A run never names
// a record twice: a second write of it starts a new run, so that the writes
// of one record keep their order.
std::vector<WriteRun> gathered(std::vector<QueuedWrite> queued);

// Whether `answer` is the failure of a run that fell short: its check then
// judges it, naming the writes left out.
bool fellShort(const Result& answer);

// `values` as a text array literal of the server ({"a","b\"c"}).
std::string arrayLiteral(const std::vector<const std::string*>& values);

}  // namespace fesk::postgres
