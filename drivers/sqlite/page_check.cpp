#include "drivers/sqlite/page_check.h"

#include <vector>

#include "drivers/sqlite/open_markers.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"

namespace fesk::sqlite {
namespace {

// Whether every row of every table of `schema` reads, every column of it:
// what building the keys copies when it mends damaged keys.
bool tablesReadWhole(sqlite3* db, const std::string& schema) {
  const std::string prefix = quotedName(schema) + ".";
  std::vector<std::string> tables;
  Statement list(db, "SELECT name FROM " + prefix + "sqlite_schema WHERE type = 'table'");
  int result = SQLITE_ROW;
  while (list.prepared() && (result = list.step()) == SQLITE_ROW) {
    tables.emplace_back(list.columnText(0));
  }
  if (!list.prepared() || result != SQLITE_DONE) return false;
  for (const auto& table : tables) {
    Statement scan(db, "SELECT * FROM " + prefix + quotedName(table) + " NOT INDEXED");
    if (!scan.prepared()) return false;
    while ((result = scan.step()) == SQLITE_ROW) {
      for (int column = 0; column < sqlite3_column_count(scan.get()); ++column) {
        sqlite3_column_bytes(scan.get(), column);
      }
    }
    if (result != SQLITE_DONE) return false;
  }
  return true;
}

bool checkDueAtOpen(const std::filesystem::path& database) {
  std::error_code error;
  const auto size = std::filesystem::file_size(database, error);
  return error || size <= kCheckedAtEveryOpenBytes ||
         OpenMarkers::forThisProcess().checkDue(database);
}

}  // namespace

apprt::DriverStatus checkPages(sqlite3* db, const std::string& schema,
                               const std::string& fileName) {
  bool sound = true;
  std::string problem;
  Statement check(db, "PRAGMA " + quotedName(schema) + ".quick_check");
  if (!check.prepared()) return openFailure(db, check.prepareResult());
  int result;
  while ((result = check.step()) == SQLITE_ROW) {
    // The first finding, past the line that names the database.
    const std::string_view line = check.columnText(0);
    if (line == "ok") continue;
    sound = false;
    if (problem.empty() && !line.starts_with("***")) problem = line;
  }
  if (result != SQLITE_DONE) {
    apprt::DriverStatus failure = openFailure(db, result);
    if (failure.code != apprt::kFileInvalid) return failure;
    sound = false;
    if (problem.empty()) problem = failure.driverMessage;
  }
  if (sound) return {};
  check = Statement();  // the scan below must not wait behind it
  if (tablesReadWhole(db, schema)) {
    return {apprt::kKeysInvalid, "", fileName + ": damaged keys (" + problem + ")"};
  }
  return {apprt::kFileInvalid, "", fileName + " is damaged (" + problem + ")"};
}

apprt::DriverStatus checkPagesWhenDue(sqlite3* db, const std::string& schema,
                                      const std::filesystem::path& path,
                                      const std::string& fileName) {
  if (!checkDueAtOpen(path)) return {};
  apprt::DriverStatus status = checkPages(db, schema, fileName);
  if (status.code == apprt::kKeysInvalid || status.code == apprt::kFileInvalid) {
    OpenMarkers::forThisProcess().damageFound(path);
  } else if (status.ok()) {
    OpenMarkers::forThisProcess().foundSound(path);
  }
  return status;
}

}  // namespace fesk::sqlite
