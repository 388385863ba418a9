#include "drivers/sqlite/sqlite_driver.h"

#include "drivers/sqlite/change_watch.h"
#include "drivers/sqlite/database_creation.h"
#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/key_building.h"
#include "drivers/sqlite/page_check.h"
#include "drivers/sqlite/record_salvage.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_history.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/super_journals.h"
#include "drivers/sqlite/whole_file_copy.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/driver_options.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

// 2 for a missing file (or an empty one, left by a creation cut short), 47 for
// one that is no database, 90 for a link to a file that is not there.
DriverStatus foundAsDatabase(const std::filesystem::path& path,
                             const apprt::FileDeclaration& file) {
  switch (inspectDatabase(path)) {
    case FoundFile::kMissing:
    case FoundFile::kEmpty:
      return {apprt::kFileNotFound};
    case FoundFile::kNotADatabase:
      return {apprt::kFileInvalid, "", file.fileName() + " is not a database"};
    case FoundFile::kDanglingLink:
      return danglingLinkFailure(path);
    case FoundFile::kDatabase:
      break;
  }
  return {};
}

// The most a statement's undo record holds in memory before it goes to disk.
constexpr int kStatementUndoInMemoryBytes = 128 << 10;

// SQLite set up for the process, once, before its first use: by whichever
// driver comes first, the process's own or one of another directory (a copy
// or backup into a data directory makes only the latter).
void configureSqlite() {
  // No process-wide count of the memory SQLite uses, which takes a lock on
  // every allocation and free of every connection.
  [[maybe_unused]] static const int unCounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  // A statement's undo record (for its own failure, inside a transaction)
  // stays in memory up to this size instead of a temporary file: a write
  // with history runs a trigger, so every add or change of a cascade keeps
  // one, and once on disk it takes two writes per page touched for the rest
  // of the transaction. It is emptied after each statement, so the memory it
  // takes does not grow with the transaction. Not more: a larger record, once
  // it outgrows memory, failed to move to disk as "database or disk is full"
  // in a statement that reused freed pages (an add of many records after a
  // drop of a large table or index, or after many deletes).
  [[maybe_unused]] static const int statementUndoInMemory =
      sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, kStatementUndoInMemoryBytes);
}

}  // namespace

SqliteDriver::SqliteDriver() {
  configureSqlite();
}

SqliteDriver::SqliteDriver(std::filesystem::path directory) : directory_(std::move(directory)) {
  configureSqlite();
}

SqliteDriver& defaultDriver() {
  static SqliteDriver driver;
  return driver;
}

std::filesystem::path SqliteDriver::pathOf(const apprt::FileDeclaration& file) const {
  return (directory_ ? *directory_ : apprt::dataDirectory()) / (file.fileName() + ".sqlite");
}

int SqliteDriver::takeRecoverySeconds(const std::string& fileName) {
  std::lock_guard lock(mutex_);
  const auto it = recoverySeconds_.find(fileName);
  if (it == recoverySeconds_.end()) return 0;
  const int seconds = it->second;
  recoverySeconds_.erase(it);
  return seconds;
}

DriverStatus SqliteDriver::open(const apprt::FileDeclaration& file, int /*mode*/,
                                std::unique_ptr<apprt::DriverFile>& opened) {
  const auto path = pathOf(file);
  if (DriverStatus found = foundAsDatabase(path, file); !found.ok()) return found;
  removeStaleSuperJournals(path.parent_path());
  const int recovery = takeRecoverySeconds(file.fileName());
  auto connection = Connection::forThisThread();
  std::string schema;
  DriverStatus status =
      connection->attach(path, recovery > 0 ? recovery * 1000 : kDefaultBusyMilliseconds, schema);
  if (!status.ok()) return status;
  status = checkSchema(connection->db(), schema, file);
  if (status.ok()) status = addMissingHistory(connection->db(), schema, file);
  if (status.ok()) status = checkPagesWhenDue(connection->db(), schema, path, file);
  if (!status.ok()) {
    connection->release(schema);
    return status;
  }
  auto sqliteFile = std::make_unique<SqliteFile>(connection, schema, file);
  sqliteFile->keepWatched(watchForChanges(path, file.fileName()));
  opened = std::move(sqliteFile);
  return {};
}

DriverStatus SqliteDriver::create(const apprt::FileDeclaration& file) {
  return createDatabase(pathOf(file), file);
}

DriverStatus SqliteDriver::buildKeys(const apprt::FileDeclaration& file) {
  const auto path = pathOf(file);
  if (DriverStatus found = foundAsDatabase(path, file); !found.ok()) return found;
  return buildKeysOf(path, file);
}

DriverStatus SqliteDriver::send(const apprt::FileDeclaration& file, std::string_view option,
                                std::string& answer) {
  if (option == apprt::kSalvageOption) return salvageRecords(pathOf(file), file, answer);
  DriverStatus status;
  const int seconds = apprt::recoverSeconds(option, status);
  if (!status.ok()) return status;
  std::lock_guard lock(mutex_);
  recoverySeconds_[file.fileName()] = seconds;
  answer = apprt::recoverAnswer(seconds);
  return {};
}

DriverStatus SqliteDriver::begin(std::span<apprt::DriverFile* const> files, int timeoutSeconds) {
  std::string names;
  for (apprt::DriverFile* file : files) {
    names += (names.empty() ? "" : ", ") + static_cast<SqliteFile*>(file)->declaration().fileName();
  }
  return Connection::forThisThread()->begin(names, timeoutSeconds);
}

DriverStatus SqliteDriver::commit() {
  return Connection::forThisThread()->commit();
}

DriverStatus SqliteDriver::rollback() {
  return Connection::forThisThread()->rollback();
}

bool SqliteDriver::copyWholeFiles(std::span<const apprt::FileDeclaration* const> files,
                                  apprt::Driver& target, apprt::WholeFilesCopy& copy,
                                  DriverStatus& status) {
  auto* directory = dynamic_cast<SqliteDriver*>(&target);
  if (directory == nullptr || files.empty()) return false;
  std::vector<FileToCopy> copies;
  for (const auto* file : files) copies.push_back({file, pathOf(*file), directory->pathOf(*file)});
  status = sqlite::copyWholeFiles(copies, copy);
  return true;
}

}  // namespace fesk::sqlite
