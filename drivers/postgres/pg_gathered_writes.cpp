#include "drivers/postgres/pg_gathered_writes.h"

#include <set>
#include <string_view>

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

// The places (from 1) in the server's text of an integer array ("{1,2,5}").
std::vector<std::size_t> placesIn(std::string_view array) {
  std::vector<std::size_t> places;
  std::size_t place = 0;
  bool digits = false;
  for (const char c : array) {
    if (c >= '0' && c <= '9') {
      place = place * 10 + static_cast<std::size_t>(c - '0');
      digits = true;
    } else if (digits) {
      places.push_back(place);
      place = 0;
      digits = false;
    }
  }
  return places;
}

// One write for the run of `writes` [first, last). It answers one row, the
// count of writes carried out and, only when that falls short, their places:
// the answer of a run of thousands stays a few bytes, so that the server
// never waits for this side to take in answers while it still works.
QueuedWrite together(std::vector<QueuedWrite>& writes, std::size_t first, std::size_t last) {
  const Gathering& kind = writes[first].together;
  const std::size_t count = writes[first].write.values.size();
  const std::string runLength = std::to_string(last - first);
  Statement statement{"WITH written AS (" + kind.sql + ") SELECT count(*), CASE WHEN count(*) < " +
                          runLength + " THEN array_agg(place) END FROM written",
                      {},
                      /*plannedEachTime=*/true};
  for (std::size_t value = 0; value < count; ++value) {
    std::vector<const std::string*> column;
    for (std::size_t i = first; i < last; ++i) column.push_back(&writes[i].write.values[value]);
    statement.values.push_back(arrayLiteral(column));
  }
  std::vector<std::function<DriverStatus(bool)>> checks;
  for (std::size_t i = first; i < last; ++i) checks.push_back(std::move(writes[i].together.check));
  AnswerCheck check = [checks = std::move(checks)](const Result& result) {
    const bool all =
        result.rows() == 1 && static_cast<std::size_t>(result.number(0, 0)) == checks.size();
    std::vector<bool> written(checks.size(), all);
    if (!all && result.rows() == 1) {
      for (const std::size_t place : placesIn(result.text(0, 1))) {
        if (place >= 1 && place <= written.size()) written[place - 1] = true;
      }
    }
    for (std::size_t i = 0; i < checks.size(); ++i) {
      if (DriverStatus status = checks[i](written[i]); !status.ok()) return status;
    }
    return DriverStatus{};
  };
  return {std::move(statement), std::move(check), {}};
}

}  // namespace

std::string arrayLiteral(const std::vector<const std::string*>& values) {
  std::string literal = "{";
  for (const std::string* value : values) {
    if (literal.size() > 1) literal += ',';
    literal += '"';
    for (const char c : *value) {
      if (c == '"' || c == '\\') literal += '\\';
      literal += c;
    }
    literal += '"';
  }
  return literal + "}";
}

std::vector<QueuedWrite> gathered(std::vector<QueuedWrite> queued) {
  std::vector<QueuedWrite> out;
  std::size_t first = 0;
  while (first < queued.size()) {
    std::size_t last = first + 1;
    const std::string& kind = queued[first].together.sql;
    if (!kind.empty()) {
      std::set<std::string> records{queued[first].write.values.back()};
      while (last < queued.size() && queued[last].together.sql == kind &&
             records.insert(queued[last].write.values.back()).second) {
        ++last;
      }
    }
    if (last - first == 1) {
      out.push_back(std::move(queued[first]));
    } else {
      out.push_back(together(queued, first, last));
    }
    first = last;
  }
  return out;
}

}  // namespace fesk::postgres
