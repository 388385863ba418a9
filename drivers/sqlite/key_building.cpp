#include "drivers/sqlite/key_building.h"

#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/page_check.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

DriverStatus keyBuildFailure(sqlite3* db, int result) {
  if (result == SQLITE_CONSTRAINT_UNIQUE) return {apprt::kDuplicateKey, "", sqlite3_errmsg(db)};
  return openFailure(db, result);
}

// Inside the open transaction: takes the indexes of `table` out of the schema
// without reading their pages, and commits. The new schema version tells
// other connections that the schema changed.
void forgetIndexes(PrivateConnection& connection, const std::string& table) {
  sqlite3_int64 version = 0;
  {
    Statement current(connection.db(), "PRAGMA schema_version");
    if (current.prepared() && current.step() == SQLITE_ROW) version = current.columnInt(0);
  }
  connection.execute("PRAGMA writable_schema = ON");
  connection.execute(
      "DELETE FROM sqlite_schema WHERE type = 'index' AND sql IS NOT NULL AND tbl_name = " +
      quotedText(table));
  connection.execute("PRAGMA schema_version = " + std::to_string(version + 1));
  connection.execute("PRAGMA writable_schema = OFF");
  connection.execute("COMMIT");
}

}  // namespace

DriverStatus buildKeysOf(const std::filesystem::path& path, const apprt::FileDeclaration& file) {
  PrivateConnection connection(path);
  // The table must match the declaration; its indexes may be missing or wrong.
  DriverStatus status = checkSchema(connection.db(), "main", file);
  if (status.ok() || status.code == apprt::kKeysInvalid) {
    status = checkPages(connection.db(), "main", file);
  }
  if (!status.ok() && status.code != apprt::kKeysInvalid) return status;
  const bool damagedKeys = !status.ok();
  // Not before the check: a transaction in which a read met a damaged page
  // takes no more writes.
  if (connection.execute("BEGIN IMMEDIATE") != SQLITE_OK) {
    return openFailure(connection.db(), connection.result());
  }
  if (damagedKeys) {
    forgetIndexes(connection, file.fileName());
    connection.execute("VACUUM");
    connection.execute("BEGIN IMMEDIATE");
  }
  for (const auto& index : objectNames(connection.db(), "index", file.fileName())) {
    connection.execute("DROP INDEX " + quotedName(index));
  }
  connection.execute(createIndexesSql(file) + "COMMIT");
  if (connection.result() != SQLITE_OK) {
    status = keyBuildFailure(connection.db(), connection.result());
    connection.rollback();
    return status;
  }
  return damagedKeys ? checkPages(connection.db(), "main", file) : DriverStatus{};
}

}  // namespace fesk::sqlite
