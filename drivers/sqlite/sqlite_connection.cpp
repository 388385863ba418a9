#include "drivers/sqlite/sqlite_connection.h"

#include <algorithm>

#include "drivers/common/thread_sessions.h"
#include "drivers/sqlite/background_check.h"
#include "drivers/sqlite/open_markers.h"
#include "drivers/sqlite/page_check.h"
#include "drivers/sqlite/sqlite_history.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "drivers/sqlite/stored_field.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

int execute(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

bool isDamage(int result) {
  return (result & 0xff) == SQLITE_CORRUPT || (result & 0xff) == SQLITE_NOTADB;
}

bool isBusy(int result) {
  return (result & 0xff) == SQLITE_BUSY || (result & 0xff) == SQLITE_LOCKED;
}

std::string fileNameOf(const std::filesystem::path& path) {
  return path.stem().string();
}

}  // namespace

DriverStatus openFailure(sqlite3* db, int result) {
  const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
  if (isDamage(result)) return {apprt::kFileInvalid, std::to_string(result), message};
  if (result == SQLITE_READONLY_ROLLBACK || result == SQLITE_READONLY_RECOVERY ||
      result == SQLITE_BUSY_RECOVERY) {
    return {apprt::kNeedsRecovery, std::to_string(result), message};
  }
  if (isBusy(result)) return {apprt::kFileLocked, std::to_string(result), message};
  return sqliteFailure(db, result);
}

DriverStatus heldByOtherUsers(const std::string& fileNames, int seconds, int result) {
  return {apprt::kDriverError, std::to_string(result),
          fileNames + " is being written by another user; gave up after " +
              std::to_string(seconds) + " s"};
}

std::shared_ptr<Connection> Connection::forThisThread() {
  return drivers::ThreadSessions<Connection>::of(nullptr, drivers::SessionLife::kThread,
                                                 [] { return std::make_shared<Connection>(); });
}

Connection::~Connection() {
  for (const auto& [path, attached] : attached_) OpenMarkers::forThisProcess().closed(path);
  sqlite3_close_v2(db_);
}

// Opens the connection on its first file, or attaches a further one.
DriverStatus Connection::connect(const std::filesystem::path& path, std::string& schema) {
  if (!db_) {
    const int result =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
      DriverStatus status = openFailure(db_, result);
      sqlite3_close_v2(db_);
      db_ = nullptr;
      return status;
    }
    sqlite3_extended_result_codes(db_, 1);
    addStoredFieldFunction(db_);
    addHistoryFunctions(db_, &stamp_);
    schema = "main";
    return {};
  }
  schema = "file" + std::to_string(nextSchema_++);
  Statement attach(db_, "ATTACH DATABASE ?1 AS " + quotedName(schema));
  if (!attach.prepared()) return sqliteFailure(db_, attach.prepareResult());
  attach.bindText(1, path.string());
  if (const int result = attach.step(); result != SQLITE_DONE) return openFailure(db_, result);
  return {};
}

DriverStatus Connection::attach(const std::filesystem::path& path, int busyMilliseconds,
                                std::string& schema) {
  if (auto it = attached_.find(path); it != attached_.end()) {
    ++it->second.users;
    schema = it->second.schema;
    return {};
  }
  // The wait below must not hold another file of this thread.
  endSnapshot();
  OpenMarkers::forThisProcess().opened(path);
  DriverStatus status = connect(path, schema);
  if (!status.ok()) {
    OpenMarkers::forThisProcess().closed(path);
    closeWhenUnused();
    return status;
  }
  attached_[path] = Attached{schema, 1, OpenMarkers::forThisProcess().generation(path)};
  sqlite3_busy_timeout(db_, busyMilliseconds);
  // Reading the schema now finds a damaged file or a journal to roll back.
  const int result = execute(db_, "SELECT count(*) FROM " + quotedName(schema) + ".sqlite_schema");
  status =
      result == SQLITE_OK ? useRollbackJournal(schema, fileNameOf(path)) : openFailure(db_, result);
  sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
  if (!status.ok()) release(schema);
  return status;
}

// A file another tool switched to WAL commits on its own, outside the
// multi-file commit: a kill could then keep one file's half of a cascade.
DriverStatus Connection::useRollbackJournal(const std::string& schema,
                                            const std::string& fileName) {
  const std::string pragma = "PRAGMA " + quotedName(schema) + ".journal_mode";
  Statement mode(db_, pragma);
  if (!mode.prepared()) return sqliteFailure(db_, mode.prepareResult());
  int result = mode.step();
  if (result != SQLITE_ROW) return openFailure(db_, result);
  if (mode.columnText(0) != "wal") return {};
  mode = Statement(db_, pragma + " = DELETE");
  if (!mode.prepared()) return sqliteFailure(db_, mode.prepareResult());
  result = mode.step();
  if (result == SQLITE_ROW && mode.columnText(0) == "delete") return {};
  return {apprt::kFileLocked, std::to_string(result),
          fileName +
              " is in write-ahead-log mode and another program has it open; it can be "
              "used when that program lets go of it"};
}

const std::filesystem::path* Connection::pathOf(const std::string& schema) const {
  for (const auto& [path, attached] : attached_) {
    if (attached.schema == schema) return &path;
  }
  return nullptr;
}

void Connection::release(const std::string& schema) {
  for (auto& [path, attached] : attached_) {
    if (attached.schema == schema) --attached.users;
  }
  if (inTransaction_) return;
  endSnapshot();  // a database read in a transaction cannot be detached
  detachUnused();
}

void Connection::readSnapshot(const std::string& schema) {
  if (inTransaction_ || snapshotSchema_ == schema) return;
  // Not one file held while another is waited for.
  endSnapshot();
  if (execute(db_, "BEGIN") == SQLITE_OK) snapshotSchema_ = schema;
}

void Connection::endSnapshot() {
  reads_.releaseAll();
  if (snapshotSchema_.empty()) return;
  snapshotSchema_.clear();
  if (execute(db_, "COMMIT") != SQLITE_OK) execute(db_, "ROLLBACK");
}

void Connection::forget(std::map<std::filesystem::path, Attached>::iterator it) {
  OpenMarkers::forThisProcess().closed(it->first);
  attached_.erase(it);
}

void Connection::detachUnused() {
  for (auto it = attached_.begin(); it != attached_.end();) {
    // The main database cannot be detached; it goes with the connection.
    if (it->second.users == 0 && it->second.schema != "main") {
      execute(db_, "DETACH DATABASE " + quotedName(it->second.schema));
      forget(it++);
    } else {
      ++it;
    }
  }
  closeWhenUnused();
}

void Connection::closeWhenUnused() {
  const bool used = std::any_of(attached_.begin(), attached_.end(),
                                [](const auto& entry) { return entry.second.users > 0; });
  if (used || !db_) return;
  endSnapshot();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  while (!attached_.empty()) forget(attached_.begin());
}

DriverStatus Connection::failure(const std::string& schema, const apprt::FileDeclaration& file,
                                 int result) {
  if (!isDamage(result)) return sqliteFailure(db_, result);
  const std::filesystem::path* path = pathOf(schema);
  const std::string name = path ? fileNameOf(*path) : schema;
  const DriverStatus met{result == SQLITE_CORRUPT_INDEX ? apprt::kKeysInvalid : apprt::kFileInvalid,
                         std::to_string(result), name + " is damaged: " + sqlite3_errmsg(db_)};
  return path ? classifyDamage(db_, schema, *path, file, met) : met;
}

DriverStatus Connection::recordGone(const std::string& schema, const apprt::FileDeclaration& file) {
  const std::filesystem::path* path = pathOf(schema);
  if (!inTransaction_ || !path) return {apprt::kRecordNotFound};
  return classifyDamage(db_, schema, *path, file, {apprt::kRecordNotFound});
}

DriverStatus Connection::damageFoundMeanwhile(const std::string& schema) {
  BackgroundChecks& checks = BackgroundChecks::forThisProcess();
  if (!checks.foundUnreported()) return {};
  const std::filesystem::path* path = pathOf(schema);
  return path ? checks.takeDamageFound(*path) : DriverStatus{};
}

DriverStatus Connection::beforeWrite(const std::string& schema) {
  if (const std::filesystem::path* path = pathOf(schema)) {
    BackgroundChecks::forThisProcess().waitFor(*path);
    OpenMarkers& markers = OpenMarkers::forThisProcess();
    if (DriverStatus damage = markers.knownDamage(*path); !damage.ok()) {
      BackgroundChecks::forThisProcess().takeDamageFound(*path);  // reported here
      return damage;
    }
    if (attached_.at(*path).generation != markers.generation(*path)) {
      return {apprt::kDriverError, "",
              fileNameOf(*path) +
                  " was replaced by the records saved from it while open here; "
                  "close this window and open it again"};
    }
  }
  // A write outside a transaction commits at once, not with the reads, and
  // is a saved change of its own.
  if (!inTransaction_) {
    endSnapshot();
    stamp_.renew();
  }
  return {};
}

DriverStatus Connection::begin(const std::string& fileNames, int timeoutSeconds) {
  if (inTransaction_) {
    return {apprt::kDriverError, "", "a transaction is already active in this thread"};
  }
  endSnapshot();
  // Not while holding the files against other writers for as long.
  for (const auto& [path, attached] : attached_) BackgroundChecks::forThisProcess().waitFor(path);
  sqlite3_busy_timeout(db_, std::max(timeoutSeconds, 0) * 1000);
  const int result = execute(db_, "BEGIN IMMEDIATE");
  sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
  if (isBusy(result)) return heldByOtherUsers(fileNames, timeoutSeconds, result);
  if (result != SQLITE_OK) return sqliteFailure(db_, result);
  inTransaction_ = true;
  stamp_.renew();
  transactionFiles_ = fileNames;
  transactionSeconds_ = std::max(timeoutSeconds * 1000, kDefaultBusyMilliseconds) / 1000;
  return {};
}

DriverStatus Connection::commit() {
  if (!inTransaction_) return {apprt::kDriverError, "", "no transaction is active"};
  reads_.releaseAll();
  sqlite3_busy_timeout(db_, transactionSeconds_ * 1000);
  OwnCommits own;
  const int result = execute(db_, "COMMIT");
  sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
  DriverStatus status;
  if (result == SQLITE_OK) {
    for (const std::string& schema : changedInTransaction_)
      if (const auto* path = pathOf(schema)) own.committed(*path);
  } else {
    status = isBusy(result) ? heldByOtherUsers(transactionFiles_, transactionSeconds_, result)
                            : sqliteFailure(db_, result);
    execute(db_, "ROLLBACK");
  }
  inTransaction_ = false;
  changedInTransaction_.clear();
  detachUnused();
  return status;
}

void Connection::changed(const std::string& schema, OwnCommits& own) {
  if (inTransaction_) {
    changedInTransaction_.insert(schema);
  } else if (const auto* path = pathOf(schema)) {
    own.committed(*path);
  }
}

DriverStatus Connection::rollback() {
  if (!inTransaction_) return {};
  reads_.releaseAll();
  // A statement cut short (SQLITE_INTERRUPT) or failing for want of memory or
  // room may have rolled the transaction back already.
  const int result = sqlite3_get_autocommit(db_) ? SQLITE_OK : execute(db_, "ROLLBACK");
  inTransaction_ = false;
  changedInTransaction_.clear();
  DriverStatus status = result == SQLITE_OK ? DriverStatus{} : sqliteFailure(db_, result);
  detachUnused();
  return status;
}

}  // namespace fesk::sqlite
