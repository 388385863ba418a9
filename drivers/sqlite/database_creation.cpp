#include "drivers/sqlite/database_creation.h"

#include <cerrno>
#include <system_error>

#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/file_placing.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_history.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "runtime/files/file_history.h"

namespace fesk::sqlite {
namespace {

namespace fs = std::filesystem;
using apprt::DriverStatus;

// Why a file could not be created, from the system's error number: 91 when
// another creator kept the directory locked, else 90.
DriverStatus creationFailure(const fs::path& path, int error) {
  return {
      error == EWOULDBLOCK ? apprt::kFileLocked : apprt::kDriverError, std::to_string(error),
      "cannot create " + path.filename().string() + ": " + std::generic_category().message(error)};
}

// Gives the database of `connection` the file's table and indexes (and its
// history, empty), in place of any tables it had, in one transaction.
DriverStatus createTables(PrivateConnection& connection, const apprt::FileDeclaration& file) {
  // Rollback journal: what makes a commit over several files atomic.
  connection.execute("PRAGMA journal_mode = DELETE");
  connection.execute("BEGIN IMMEDIATE");
  for (const auto& table : objectNames(connection.db(), "table")) {
    connection.execute("DROP TABLE " + quotedName(table));
  }
  connection.execute(createTableSql(file) + ";" + createIndexesSql(file) +
                     (apprt::keepsHistory(file) ? historySql("main", file) : "") + "COMMIT");
  if (connection.result() == SQLITE_OK) return {};
  DriverStatus status = openFailure(connection.db(), connection.result());
  connection.rollback();
  return status;
}

}  // namespace

DriverStatus createDatabase(const fs::path& path, const apprt::FileDeclaration& file) {
  CreationLock lock(path.parent_path());
  if (lock.error() != 0) return creationFailure(path, lock.error());
  switch (inspectDatabase(path)) {
    case FoundFile::kDatabase: {
      PrivateConnection connection(path);
      return createTables(connection, file);
    }
    case FoundFile::kDanglingLink:
      return danglingLinkFailure(path);
    default:
      break;
  }

  // A temporary file left by a creation that was cut short goes first.
  const fs::path temporary = path.string() + ".new";
  std::error_code error;
  fs::remove(temporary, error);
  removeCompanions(temporary);
  DriverStatus status;
  {
    PrivateConnection connection(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    status = createTables(connection, file);
  }
  if (!status.ok()) {
    fs::remove(temporary, error);
    removeCompanions(temporary);
    return status;
  }
  // A journal beside an empty or missing file would be played into the new one.
  removeCompanions(path);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    status = creationFailure(path, errno);
    fs::remove(temporary, error);
    return status;
  }
  lock.syncDirectory();
  return {};
}

}  // namespace fesk::sqlite
