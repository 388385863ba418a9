#include "drivers/sqlite/sqlite_driver.h"

#include <fstream>

#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/data_directory.h"
#include "runtime/driver_options.h"
#include "runtime/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

constexpr std::string_view kHeader{"SQLite format 3\0", 16};

// A connection of its own for work on a closed file (create, build keys).
class PrivateConnection {
 public:
  explicit PrivateConnection(const std::filesystem::path& path) {
    result_ =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
  }
  ~PrivateConnection() { sqlite3_close_v2(db_); }
  sqlite3* db() const { return db_; }
  int execute(const std::string& sql) {
    if (result_ == SQLITE_OK) result_ = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    return result_;
  }
  int result() const { return result_; }

 private:
  sqlite3* db_ = nullptr;
  int result_;
};

// Whether the file starts like an SQLite database (an empty file counts: SQLite
// makes it one).
bool looksLikeDatabase(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(kHeader.size(), '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  return in.gcount() == 0 || head == kHeader;
}

// The names of the schema objects of `type` ("table", "index"), optionally of one table.
std::vector<std::string> objectNames(sqlite3* db, const std::string& type,
                                     const std::string& table = {}) {
  std::vector<std::string> names;
  Statement statement(db, "SELECT name FROM sqlite_schema WHERE type = ?1 AND sql IS NOT NULL" +
                              std::string(table.empty() ? "" : " AND tbl_name = ?2") +
                              " AND name NOT LIKE 'sqlite_%'");
  statement.bindText(1, type);
  if (!table.empty()) statement.bindText(2, table);
  while (statement.prepared() && statement.step() == SQLITE_ROW) {
    names.emplace_back(statement.columnText(0));
  }
  return names;
}

std::string createIndexesSql(const apprt::FileDeclaration& file) {
  std::string sql;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    sql += createIndexSql(file, static_cast<int>(key)) + ";";
  }
  return sql;
}

DriverStatus keyBuildFailure(sqlite3* db, int result) {
  if (result == SQLITE_CONSTRAINT_UNIQUE) return {apprt::kDuplicateKey, "", sqlite3_errmsg(db)};
  return sqliteFailure(db, result);
}

}  // namespace

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
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {apprt::kFileNotFound};
  if (!looksLikeDatabase(path)) {
    return {apprt::kFileInvalid, "", file.fileName() + " is not a database"};
  }
  const int recovery = takeRecoverySeconds(file.fileName());
  auto connection = Connection::forThisThread();
  std::string schema;
  DriverStatus status =
      connection->attach(path, recovery > 0 ? recovery * 1000 : kDefaultBusyMilliseconds, schema);
  if (!status.ok()) return status;
  status = checkSchema(connection->db(), schema, file);
  if (!status.ok()) {
    connection->release(schema);
    return status;
  }
  opened = std::make_unique<SqliteFile>(connection, schema, file);
  return {};
}

DriverStatus SqliteDriver::create(const apprt::FileDeclaration& file) {
  const auto path = pathOf(file);
  std::error_code error;
  // Something that is no database cannot be emptied with SQL: it goes.
  if (std::filesystem::exists(path, error) && !looksLikeDatabase(path)) {
    std::filesystem::remove(path, error);
    std::filesystem::remove(path.string() + "-journal", error);
  }
  PrivateConnection connection(path);
  // Rollback journal: what makes a commit over several files atomic.
  connection.execute("PRAGMA journal_mode = DELETE");
  connection.execute("BEGIN IMMEDIATE");
  for (const auto& table : objectNames(connection.db(), "table")) {
    connection.execute("DROP TABLE " + quotedName(table));
  }
  connection.execute(createTableSql(file) + ";" + createIndexesSql(file) + "COMMIT");
  if (connection.result() != SQLITE_OK) {
    DriverStatus status = openFailure(connection.db(), connection.result());
    sqlite3_exec(connection.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    return status;
  }
  return {};
}

DriverStatus SqliteDriver::buildKeys(const apprt::FileDeclaration& file) {
  const auto path = pathOf(file);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {apprt::kFileNotFound};
  if (!looksLikeDatabase(path)) return {apprt::kFileInvalid};
  PrivateConnection connection(path);
  if (connection.execute("BEGIN IMMEDIATE") != SQLITE_OK) {
    return openFailure(connection.db(), connection.result());
  }
  DriverStatus status = checkSchema(connection.db(), "main", file);
  if (status.code == apprt::kFileInvalid || (!status.ok() && status.code != apprt::kKeysInvalid)) {
    sqlite3_exec(connection.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    return status;
  }
  for (const auto& index : objectNames(connection.db(), "index", file.fileName())) {
    connection.execute("DROP INDEX " + quotedName(index));
  }
  connection.execute(createIndexesSql(file) + "COMMIT");
  if (connection.result() != SQLITE_OK) {
    status = keyBuildFailure(connection.db(), connection.result());
    sqlite3_exec(connection.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    return status;
  }
  return {};
}

DriverStatus SqliteDriver::send(const apprt::FileDeclaration& file, std::string_view option,
                                std::string& answer) {
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

}  // namespace fesk::sqlite
