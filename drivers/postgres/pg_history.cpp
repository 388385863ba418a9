#include "drivers/postgres/pg_history.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "drivers/common/history_moment.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/files/file_declaration.h"

namespace fesk::postgres {
namespace {

// A moment the caller names in UTC ("" for the earliest), as the server takes it.
std::string utcMoment(const std::string& moment) {
  return moment.empty() ? "-infinity" : moment;
}

// The moment that the parameter `placeholder` holds, as the column `at` is compared.
std::string momentSql(const std::string& placeholder) {
  return "(" + placeholder + "::timestamp AT TIME ZONE 'UTC')";
}

std::string fieldsFrom(const apprt::FileDeclaration& file, const std::string& column) {
  std::string sql;
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    sql += ", " + column + " ->> " + std::to_string(i);
  }
  return sql;
}

apprt::DriverStatus takeEntries(const Result& result, const apprt::FileDeclaration& file,
                                const std::function<bool(const apprt::HistoryEntry&)>& take) {
  for (int row = 0; row < result.rows(); ++row) {
    if (!take(historyEntryOf(file, [&](int column) { return result.text(row, column); }))) break;
  }
  return {};
}

}  // namespace

std::string historyEntriesSql(const std::string& schema, const apprt::FileDeclaration& file,
                              const std::string& fileValue) {
  // The moment in milliseconds, made text here: the server's own formatting
  // costs it more than the rest of the row. Its seconds as a float, not the
  // exact decimal that costs the server twice as much: within a quarter of a
  // microsecond for centuries around now, so rounded to microseconds they
  // are exact again; then the floor of the milliseconds, which an integer
  // division would not give before 1970.
  return "SELECT id, floor((date_part('epoch', at) * 1000000)::bigint / 1000.0::float8)::bigint, "
         "who, station, change_group, action, record, (before IS NULL)::int, (after IS NULL)::int" +
         fieldsFrom(file, "before") + fieldsFrom(file, "after") + " FROM " + quotedName(schema) +
         ".history WHERE file = " + fileValue;
}

apprt::HistoryEntry historyEntryOf(const apprt::FileDeclaration& file,
                                   const std::function<std::string_view(int column)>& column) {
  const auto number = [&](int at) {
    const std::string_view text = column(at);
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  };
  const auto fieldsAt = [&](int first) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < file.fields().size(); ++i) {
      fields.emplace_back(column(first + static_cast<int>(i)));
    }
    return fields;
  };
  apprt::HistoryEntry entry{.id = number(0),
                            .at = drivers::historyMoment(number(1)),
                            .who = std::string(column(2)),
                            .station = std::string(column(3)),
                            .group = number(4),
                            .action = std::string(column(5)),
                            .record = number(6),
                            .before = {},
                            .after = {}};
  constexpr int kFirstField = 9;
  if (column(7) == "0") entry.before = fieldsAt(kFirstField);
  if (column(8) == "0") {
    entry.after = fieldsAt(kFirstField + static_cast<int>(file.fields().size()));
  }
  return entry;
}

apprt::DriverStatus readHistory(ServerSession& session, const std::string& schema,
                                const apprt::FileDeclaration& file, const apprt::HistoryRead& read,
                                const std::function<bool(const apprt::HistoryEntry&)>& take) {
  // Only the conditions asked, so that the server reads the index whose
  // leading columns are the file and the record, or the deletes' own.
  std::vector<std::string> values{file.fileName()};
  std::string sql = historyEntriesSql(schema, file, "$1");
  const auto bound = [&](std::string value) {
    values.push_back(std::move(value));
    return " $" + std::to_string(values.size());
  };
  if (!read.since.empty()) sql += " AND at >= " + momentSql(bound(read.since));
  if (read.record != 0) sql += " AND record =" + bound(std::to_string(read.record));
  if (read.deletesOnly) sql += " AND action = 'delete'";
  if (read.from != 0)
    sql += std::string(read.older ? " AND id <" : " AND id >") + bound(std::to_string(read.from));
  sql += std::string(" ORDER BY id ") + (read.older ? "DESC" : "ASC");
  if (read.limit != 0) sql += " LIMIT" + bound(std::to_string(read.limit));
  apprt::DriverStatus status;
  const Result result = session.run(sql, values, status);
  if (!status.ok()) return status;
  return takeEntries(result, file, take);
}

apprt::DriverStatus pruneHistory(ServerSession& session, const std::string& schema,
                                 const apprt::FileDeclaration& file, const std::string& before,
                                 std::uint64_t& removed) {
  apprt::DriverStatus status;
  const Result result = session.run("WITH gone AS (DELETE FROM " + quotedName(schema) +
                                        ".history WHERE file = $1 AND at < " + momentSql("$2") +
                                        " RETURNING 1) SELECT count(*) FROM gone",
                                    {file.fileName(), utcMoment(before)}, status);
  if (status.ok() && result.rows() == 1) removed = result.number(0, 0);
  return status;
}

}  // namespace fesk::postgres
