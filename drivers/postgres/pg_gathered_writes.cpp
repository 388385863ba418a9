#include "drivers/postgres/pg_gathered_writes.h"

#include <optional>
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

// What a run that fell short fails with: its places in the server's words
// ("... \"fell short {1,2,5}\""), whatever language the server speaks.
constexpr std::string_view kFellShort = "fell short ";

// The places a run that fell short carried out, in the server's text of
// them ("{1,2,5}"), from its failure; none when `answer` failed otherwise or
// not at all.
std::optional<std::string_view> placesCarriedOut(const Result& answer) {
  if (answer.sqlState() != "22P02") return std::nullopt;
  const char* message = PQresultErrorField(answer.get(), PG_DIAG_MESSAGE_PRIMARY);
  const std::string_view words = message ? message : "";
  const std::size_t at = words.find(kFellShort);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view places = words.substr(at + kFellShort.size());
  return places.substr(0, places.find('}') + 1);
}

// One write for the run of `writes` [first, last). A run that carries out
// fewer writes than it holds fails on the server (an integer that is no
// number, naming the places it did carry out): what is sent behind it in the
// same pipeline, a commit too, is then skipped, and a write left out is
// never saved. Its answer otherwise is one row of a few bytes, so that the
// server never waits for this side to take in answers while it still works.
WriteRun together(std::vector<QueuedWrite>& writes, std::size_t first, std::size_t last) {
  const std::string& kind = writes[first].gatheredSql;
  const std::size_t count = writes[first].values.size();
  const std::string runLength = std::to_string(last - first);
  Query statement{"WITH written AS (" + kind + ") SELECT count(*), CASE WHEN count(*) < " +
                      runLength + " THEN ('" + std::string(kFellShort) +
                      "' || coalesce(array_agg(place)::text, '{}'))::integer END FROM written",
                  {},
                  /*plannedEachTime=*/true};
  for (std::size_t value = 0; value < count; ++value) {
    std::vector<const std::string*> column;
    for (std::size_t i = first; i < last; ++i) column.push_back(&writes[i].values[value]);
    statement.values.push_back(arrayLiteral(column));
  }
  std::vector<std::function<DriverStatus(bool)>> checks;
  for (std::size_t i = first; i < last; ++i) checks.push_back(std::move(writes[i].check));
  AnswerCheck check = [checks = std::move(checks)](const Result& result) {
    const bool all = result.ok() && result.rows() == 1 &&
                     static_cast<std::size_t>(result.number(0, 0)) == checks.size();
    std::vector<bool> written(checks.size(), all);
    if (const auto places = placesCarriedOut(result)) {
      for (const std::size_t place : placesIn(*places)) {
        if (place >= 1 && place <= written.size()) written[place - 1] = true;
      }
    }
    for (std::size_t i = 0; i < checks.size(); ++i) {
      if (DriverStatus status = checks[i](written[i]); !status.ok()) return status;
    }
    return DriverStatus{};
  };
  return {std::move(statement), std::move(check)};
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

bool fellShort(const Result& answer) {
  return placesCarriedOut(answer).has_value();
}

std::vector<WriteRun> gathered(std::vector<QueuedWrite> queued) {
  std::vector<WriteRun> out;
  std::size_t first = 0;
  while (first < queued.size()) {
    std::size_t last = first + 1;
    const std::string& kind = queued[first].gatheredSql;
    std::set<std::string> records{queued[first].values.back()};
    while (last < queued.size() && queued[last].gatheredSql == kind &&
           records.insert(queued[last].values.back()).second) {
      ++last;
    }
    out.push_back(together(queued, first, last));
    first = last;
  }
  return out;
}

}  // namespace fesk::postgres
