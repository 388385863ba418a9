#pragma once
// The layout of every table of a data set, asked in the round trip that takes
// the data-set lock (pg_schema_lock.h), so that the first open of each file
// on that session is checked without a round trip of its own (pg_schema.h).
// A table's rows are handed out once, only on the session they were asked
// on, and only for a short while: they serve the opens of a program's start.
// A later open of the file, one after the session was opened anew, or one
// long after the lock was taken (the layout may have been changed since by
// another tool) asks the server again. Used in the connection's turn
// (pg_connection.h).

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "drivers/postgres/pg_result.h"

namespace fesk::postgres {

// Rows [first, end) of `answer`.
struct LayoutRows {
  Result answer;
  int first = 0;
  int end = 0;
};

class EarlyLayout {
 public:
  // `answer` (rows led by their table's name, in its order) was asked on the
  // link's opening `opening`; it replaces what was kept.
  void keep(int opening, Result answer);
  // Nothing is kept any more.
  void forget();
  // The rows of `table` asked on `opening`, once, while they are fresh;
  // nothing when none were.
  std::optional<LayoutRows> take(int opening, std::string_view table);

 private:
  // How long an answer stands for what the server holds.
  static constexpr std::chrono::seconds kFresh{10};

  int opening_ = 0;
  std::chrono::steady_clock::time_point askedAt_;
  Result answer_;
  std::set<std::string, std::less<>> taken_;
};

}  // namespace fesk::postgres
