#include "drivers/sqlite/sqlite_history.h"

#include <array>
#include <chrono>
#include <vector>

#include "drivers/common/history_moment.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/change_author.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

struct Action {
  const char* event;
  const char* name;
  bool before;
  bool after;
};

constexpr std::array<Action, 3> kActions = {{{"INSERT", "add", false, true},
                                             {"UPDATE", "change", true, true},
                                             {"DELETE", "delete", true, false}}};

std::string triggerName(const apprt::FileDeclaration& file, const Action& action) {
  return file.fileName() + ".history." + action.name;
}

// The fields of the row `row` ("old", "new") as one JSON array.
std::string fieldsOf(const apprt::FileDeclaration& file, const char* row) {
  std::string sql = "json_array(";
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    sql += std::string(i == 0 ? "" : ", ") + row + "." + columnName(file, static_cast<int>(i));
  }
  return sql + ")";
}

// How many of the file's history triggers the database holds (-1: unknown).
int triggerCount(sqlite3* db, const std::string& schema, const apprt::FileDeclaration& file) {
  Statement triggers(db, "SELECT count(*) FROM " + quotedName(schema) +
                             ".sqlite_schema WHERE type = 'trigger' AND tbl_name = ?1");
  if (!triggers.prepared()) return -1;
  triggers.bindText(1, file.fileName());
  return triggers.step() == SQLITE_ROW ? sqlite3_column_int(triggers.get(), 0) : -1;
}

// The indexes of the keyed reads (HistoryRead): a record's entries, and the
// deletes, in the order they were written. The deletes' index holds those
// alone, so that a cascade's changes cost it nothing.
struct HistoryIndex {
  const char* name;
  const char* columns;
};
constexpr std::array<HistoryIndex, 2> kIndexes = {
    {{"history_record", "(record, id)"}, {"history_deletes", "(id) WHERE action = 'delete'"}}};

// How many of the history's indexes the database holds (-1: unknown).
int indexCount(sqlite3* db, const std::string& schema) {
  Statement indexes(db, "SELECT count(*) FROM " + quotedName(schema) +
                            ".sqlite_schema WHERE type = 'index' AND tbl_name = ?1 AND name IN "
                            "(?2, ?3)");
  if (!indexes.prepared()) return -1;
  indexes.bindText(1, kHistoryTable);
  indexes.bindText(2, kIndexes[0].name);
  indexes.bindText(3, kIndexes[1].name);
  return indexes.step() == SQLITE_ROW ? sqlite3_column_int(indexes.get(), 0) : -1;
}

// Who, the station and the group are asked of sqlite_compileoption_get with
// numbers that stock SQLite answers NULL: this program's connections answer
// them (addHistoryFunctions), so that another tool's change is recorded too,
// by an unknown author, instead of failing on a function it lacks.
constexpr int kAskWho = -7301;
constexpr int kAskStation = -7302;
constexpr int kAskGroup = -7303;
constexpr int kAskTime = -7304;

std::string asked(int question, const char* otherwise) {
  return "coalesce(sqlite_compileoption_get(" + std::to_string(question) + "), " + otherwise + ")";
}

// The stamp does not change while a statement runs.
void resultText(sqlite3_context* context, const std::string& text) {
  sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

}  // namespace

std::string historySql(const std::string& schema, const apprt::FileDeclaration& file) {
  const std::string in = quotedName(schema) + ".";
  std::string sql = "CREATE TABLE IF NOT EXISTS " + in + kHistoryTable +
                    " (id INTEGER PRIMARY KEY, at TEXT NOT NULL, who TEXT NOT NULL, station TEXT "
                    "NOT NULL, change_group INTEGER NOT NULL, action TEXT NOT NULL, record "
                    "INTEGER NOT NULL, before TEXT, after TEXT);";
  for (const HistoryIndex& index : kIndexes) {
    sql += std::string("CREATE INDEX IF NOT EXISTS ") + in + index.name + " ON " + kHistoryTable +
           " " + index.columns + ";";
  }
  for (const Action& action : kActions) {
    sql += std::string("CREATE TRIGGER IF NOT EXISTS ") + in +
           quotedName(triggerName(file, action)) + " AFTER " + action.event + " ON " +
           tableName(file) + " BEGIN INSERT INTO " + kHistoryTable +
           " (at, who, station, change_group, action, record, before, after) VALUES "
           "(" +
           asked(kAskTime, "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')") + ", " +
           asked(kAskWho, "'unknown'") + ", " + asked(kAskStation, "'another program'") + ", " +
           asked(kAskGroup, "0") + ", '" + action.name + "', " + (action.after ? "new" : "old") +
           ".id, " + (action.before ? fieldsOf(file, "old") : "NULL") + ", " +
           (action.after ? fieldsOf(file, "new") : "NULL") + "); END;";
  }
  return sql;
}

std::string withoutAddEntriesSql(const std::string& schema, const apprt::FileDeclaration& file) {
  std::string sql = "DROP TRIGGER IF EXISTS " + quotedName(schema) + "." +
                    quotedName(triggerName(file, kActions[0])) + ";";
  for (const HistoryIndex& index : kIndexes) {
    sql += "DROP INDEX IF EXISTS " + quotedName(schema) + "." + index.name + ";";
  }
  return sql;
}

std::string withoutHistorySql(const apprt::FileDeclaration& file) {
  std::string sql;
  for (const Action& action : kActions) {
    sql += "DROP TRIGGER IF EXISTS " + quotedName(triggerName(file, action)) + ";";
  }
  return sql + "DROP TABLE IF EXISTS " + kHistoryTable + ";";
}

void HistoryStamp::renew() {
  group = apprt::newChangeGroup();
  at = drivers::historyMoment(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count());
  who = apprt::changeAuthor();
  station = apprt::changeStation();
}

void addHistoryFunctions(sqlite3* db, const HistoryStamp* stamp) {
  sqlite3_create_function_v2(
      db, "sqlite_compileoption_get", 1, SQLITE_UTF8, const_cast<HistoryStamp*>(stamp),
      [](sqlite3_context* context, int, sqlite3_value** arguments) {
        const auto& asked = *static_cast<const HistoryStamp*>(sqlite3_user_data(context));
        switch (sqlite3_value_int(arguments[0])) {
          case kAskWho:
            resultText(context, asked.who);
            break;
          case kAskStation:
            resultText(context, asked.station);
            break;
          case kAskTime:
            resultText(context, asked.at);
            break;
          case kAskGroup:
            sqlite3_result_int64(context, asked.group);
            break;
          default:
            if (const char* option = sqlite3_compileoption_get(sqlite3_value_int(arguments[0]))) {
              sqlite3_result_text(context, option, -1, SQLITE_STATIC);
            } else {
              sqlite3_result_null(context);
            }
        }
      },
      nullptr, nullptr, nullptr);
}

apprt::DriverStatus addMissingHistory(sqlite3* db, const std::string& schema,
                                      const apprt::FileDeclaration& file) {
  // Inside a transaction of the thread the file gains its history at its
  // next open instead.
  if (!apprt::keepsHistory(file) || !sqlite3_get_autocommit(db)) return {};
  const int found = triggerCount(db, schema, file);
  const int indexes = found < 0 ? -1 : indexCount(db, schema);
  if (indexes < 0) return sqliteFailure(db, sqlite3_errcode(db));
  if (found >= static_cast<int>(kActions.size()) && indexes >= static_cast<int>(kIndexes.size())) {
    return {};
  }
  const std::string sql = "BEGIN IMMEDIATE; " + historySql(schema, file) + "COMMIT";
  const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (result == SQLITE_OK) return {};
  apprt::DriverStatus status = sqliteFailure(db, result);
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  // A file this process may only read takes no changes to record either.
  if ((result & 0xff) == SQLITE_READONLY) return {};
  return status;
}

namespace {

// Each field of a JSON array of the row's `column`, as columns of a query.
std::string fieldsFrom(const apprt::FileDeclaration& file, const std::string& column) {
  std::string sql;
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    sql += ", json_extract(" + column + ", '$[" + std::to_string(i) + "]')";
  }
  return sql;
}

std::vector<std::string> fieldsAt(const Statement& row, int first, std::size_t count) {
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < count; ++i) {
    fields.emplace_back(row.columnText(first + static_cast<int>(i)));
  }
  return fields;
}

}  // namespace

namespace {

// The entries that `row` answers (read by the columns of entryColumns), each
// handed to `take`.
apprt::DriverStatus takeEntries(sqlite3* db, Statement& row, const apprt::FileDeclaration& file,
                                const std::function<bool(apprt::HistoryEntry&)>& take) {
  const std::size_t fields = file.fields().size();
  int result = SQLITE_OK;
  while ((result = row.step()) == SQLITE_ROW) {
    apprt::HistoryEntry entry{.id = sqlite3_column_int64(row.get(), 0),
                              .at = std::string(row.columnText(1)),
                              .who = std::string(row.columnText(2)),
                              .station = std::string(row.columnText(3)),
                              .group = sqlite3_column_int64(row.get(), 4),
                              .action = std::string(row.columnText(5)),
                              .record = sqlite3_column_int64(row.get(), 6),
                              .before = {},
                              .after = {}};
    constexpr int kFirstField = 9;
    if (sqlite3_column_int(row.get(), 7) == 0) entry.before = fieldsAt(row, kFirstField, fields);
    if (sqlite3_column_int(row.get(), 8) == 0) {
      entry.after = fieldsAt(row, kFirstField + static_cast<int>(fields), fields);
    }
    if (!take(entry)) return {};
  }
  return result == SQLITE_DONE ? apprt::DriverStatus{} : sqliteFailure(db, result);
}

std::string entryColumns(const std::string& schema, const apprt::FileDeclaration& file) {
  return "SELECT id, at, who, station, change_group, action, record, before IS NULL, after IS "
         "NULL" +
         fieldsFrom(file, "before") + fieldsFrom(file, "after") + " FROM " + quotedName(schema) +
         "." + kHistoryTable;
}

}  // namespace

apprt::DriverStatus readHistory(sqlite3* db, const std::string& schema,
                                const apprt::FileDeclaration& file, const apprt::HistoryRead& read,
                                const std::function<bool(apprt::HistoryEntry&)>& take) {
  // Only the conditions asked, so that the planner reads the index whose
  // leading column is the record, or the deletes' own, from `from` on.
  std::string where = " WHERE 1";
  if (!read.since.empty()) where += " AND at >= ?2";
  if (read.record != 0) where += " AND record = ?1";
  if (read.deletesOnly) where += " AND action = 'delete'";
  if (read.from != 0) where += read.older ? " AND id < ?3" : " AND id > ?3";
  Statement row(db, entryColumns(schema, file) + where + " ORDER BY id " +
                        (read.older ? "DESC" : "ASC") + " LIMIT ?4");
  if (!row.prepared()) return sqliteFailure(db, row.prepareResult());
  row.bindInt(1, read.record);
  row.bindText(2, read.since);
  row.bindInt(3, read.from);
  row.bindInt(4, read.limit == 0 ? -1 : static_cast<sqlite3_int64>(read.limit));
  return takeEntries(db, row, file, take);
}

apprt::DriverStatus readWholeHistory(sqlite3* db, const std::string& schema,
                                     const apprt::FileDeclaration& file,
                                     const std::function<bool(apprt::HistoryEntry&)>& take) {
  Statement table(db, "SELECT 1 FROM " + quotedName(schema) +
                          ".sqlite_schema WHERE type = 'table' AND name = ?1");
  if (!table.prepared()) return sqliteFailure(db, table.prepareResult());
  table.bindText(1, kHistoryTable);
  const int found = table.step();
  if (found == SQLITE_DONE) return {};
  if (found != SQLITE_ROW) return sqliteFailure(db, found);
  apprt::HistoryRead oldestFirst;
  oldestFirst.older = false;
  return readHistory(db, schema, file, oldestFirst, take);
}

apprt::DriverStatus pruneHistory(sqlite3* db, const std::string& schema, const std::string& before,
                                 std::uint64_t& removed) {
  Statement prune(db, "DELETE FROM " + quotedName(schema) + "." + kHistoryTable + " WHERE at < ?1");
  if (!prune.prepared()) return sqliteFailure(db, prune.prepareResult());
  prune.bindText(1, before);
  const int result = prune.step();
  if (result != SQLITE_DONE) return sqliteFailure(db, result);
  removed = static_cast<std::uint64_t>(sqlite3_changes64(db));
  return {};
}

}  // namespace fesk::sqlite
