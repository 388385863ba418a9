#include "drivers/sqlite/sqlite_connection.h"

#include <algorithm>
#include <mutex>

#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "drivers/sqlite/stored_field.h"
#include "runtime/thread_wait.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

thread_local std::shared_ptr<Connection> tConnection;

int execute(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

DriverStatus openFailure(sqlite3* db, int result) {
  switch (result & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return {apprt::kFileInvalid, std::to_string(result), db ? sqlite3_errmsg(db) : ""};
    default:
      break;
  }
  if (result == SQLITE_READONLY_ROLLBACK || result == SQLITE_BUSY_RECOVERY ||
      result == SQLITE_READONLY_RECOVERY || result == SQLITE_BUSY) {
    return {apprt::kNeedsRecovery, std::to_string(result), db ? sqlite3_errmsg(db) : ""};
  }
  return sqliteFailure(db, result);
}

std::shared_ptr<Connection> Connection::forThisThread() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    apprt::onThreadWillWait([] {
      if (tConnection) tConnection->releaseReads();
    });
  });
  if (!tConnection) tConnection = std::make_shared<Connection>();
  return tConnection;
}

Connection::~Connection() {
  sqlite3_close_v2(db_);
}

DriverStatus Connection::attach(const std::filesystem::path& path, int busyMilliseconds,
                                std::string& schema) {
  if (auto it = attached_.find(path); it != attached_.end()) {
    ++it->second.users;
    schema = it->second.schema;
    return {};
  }
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
    schema = "main";
  } else {
    schema = "file" + std::to_string(nextSchema_++);
  }
  sqlite3_busy_timeout(db_, busyMilliseconds);
  if (schema != "main") {
    Statement attach(db_, "ATTACH DATABASE ?1 AS " + quotedName(schema));
    if (!attach.prepared()) return sqliteFailure(db_, attach.prepareResult());
    attach.bindText(1, path.string());
    if (const int result = attach.step(); result != SQLITE_DONE) {
      sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
      return openFailure(db_, result);
    }
  }
  // Reading the schema now finds a damaged file or a journal to roll back.
  const int result = execute(db_, "SELECT count(*) FROM " + quotedName(schema) + ".sqlite_schema");
  sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
  attached_[path] = Attached{schema, 1};
  if (result != SQLITE_OK) {
    DriverStatus status = openFailure(db_, result);
    release(schema);
    return status;
  }
  return {};
}

void Connection::release(const std::string& schema) {
  for (auto& [path, attached] : attached_) {
    if (attached.schema == schema) --attached.users;
  }
  if (!inTransaction_) detachUnused();
}

void Connection::detachUnused() {
  for (auto it = attached_.begin(); it != attached_.end();) {
    // The main database cannot be detached; it goes with the connection.
    if (it->second.users == 0 && it->second.schema != "main") {
      execute(db_, "DETACH DATABASE " + quotedName(it->second.schema));
      it = attached_.erase(it);
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
  sqlite3_close_v2(db_);
  db_ = nullptr;
  attached_.clear();
}

void Connection::removeReads(LiveReads* reads) {
  reads_.erase(std::remove(reads_.begin(), reads_.end(), reads), reads_.end());
}

void Connection::releaseReads() {
  for (LiveReads* reads : reads_) reads->releaseReads();
}

DriverStatus Connection::begin(const std::string& fileNames, int timeoutSeconds) {
  if (inTransaction_) {
    return {apprt::kDriverError, "", "a transaction is already active in this thread"};
  }
  releaseReads();
  sqlite3_busy_timeout(db_, std::max(timeoutSeconds, 0) * 1000);
  const int result = execute(db_, "BEGIN IMMEDIATE");
  sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
  if ((result & 0xff) == SQLITE_BUSY) {
    return {apprt::kDriverError, std::to_string(result),
            fileNames + " is being written by another user; gave up after " +
                std::to_string(timeoutSeconds) + " s"};
  }
  if (result != SQLITE_OK) return sqliteFailure(db_, result);
  inTransaction_ = true;
  return {};
}

DriverStatus Connection::commit() {
  if (!inTransaction_) return {apprt::kDriverError, "", "no transaction is active"};
  releaseReads();
  const int result = execute(db_, "COMMIT");
  DriverStatus status;
  if (result != SQLITE_OK) {
    status = sqliteFailure(db_, result);
    execute(db_, "ROLLBACK");
  }
  inTransaction_ = false;
  detachUnused();
  return status;
}

DriverStatus Connection::rollback() {
  if (!inTransaction_) return {};
  releaseReads();
  const int result = execute(db_, "ROLLBACK");
  inTransaction_ = false;
  DriverStatus status = result == SQLITE_OK ? DriverStatus{} : sqliteFailure(db_, result);
  detachUnused();
  return status;
}

}  // namespace fesk::sqlite
