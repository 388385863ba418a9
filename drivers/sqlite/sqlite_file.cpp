#include "drivers/sqlite/sqlite_file.h"

#include "drivers/sqlite/background_check.h"
#include "drivers/sqlite/sqlite_bulk_add.h"
#include "drivers/sqlite/sqlite_history.h"
#include "drivers/sqlite/sqlite_history_carry.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_instance.h"

namespace fesk::sqlite {

using apprt::DriverStatus;
using apprt::RecordIdentity;

namespace {

std::string placeholder(int index) {
  return "?" + std::to_string(index);
}

}  // namespace

SqliteFile::SqliteFile(std::shared_ptr<Connection> connection, std::string schema,
                       const apprt::FileDeclaration& file)
    : connection_(std::move(connection)),
      schema_(std::move(schema)),
      file_(file),
      table_(quotedName(schema_) + "." + tableName(file)),
      columns_("id"),
      run_(file) {
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    columns_ += ", " + columnName(file, static_cast<int>(i));
  }
  connection_->reads().hold(this);
}

SqliteFile::~SqliteFile() {
  // A file closed before its first page was shown still gets its check.
  BackgroundChecks::forThisProcess().startScheduledHere();
  connection_->reads().forget(this);
  statements_.clear();  // finalized before the database can be detached
  connection_->release(schema_);
}

DriverStatus SqliteFile::failure(int result) const {
  return connection_->failure(schema_, file_, result);
}

DriverStatus SqliteFile::execute(const std::string& sql) {
  const int result = sqlite3_exec(connection_->db(), sql.c_str(), nullptr, nullptr, nullptr);
  return result == SQLITE_OK ? DriverStatus{} : failure(result);
}

Statement* SqliteFile::cached(const std::string& sql, DriverStatus& status) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    Statement statement(connection_->db(), sql);
    if (!statement.prepared()) {
      status = failure(statement.prepareResult());
      return nullptr;
    }
    it = statements_.emplace(sql, std::move(statement)).first;
  }
  return &it->second;
}

std::vector<std::string> SqliteFile::preparedSql() const {
  std::vector<std::string> all;
  for (const auto& [sql, statement] : statements_) all.push_back(sql);
  return all;
}

void SqliteFile::copyRow(const Statement& statement, std::span<char> record) const {
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    file_.fieldIn(record, static_cast<int>(i))
        .assign(statement.columnText(static_cast<int>(i) + 1));
  }
}

void SqliteFile::bindRecord(Statement& statement, std::span<const char> record,
                            int firstIndex) const {
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    statement.bindFieldUntilReset(firstIndex + static_cast<int>(i),
                                  file_.fieldBytesIn(record, static_cast<int>(i)));
  }
}

DriverStatus SqliteFile::fetch(RecordIdentity identity, std::span<char> record) {
  if (DriverStatus found = connection_->damageFoundMeanwhile(schema_); !found.ok()) return found;
  connection_->reads().releaseAll();
  connection_->readSnapshot(schema_);
  DriverStatus status;
  Statement* statement =
      cached("SELECT " + columns_ + " FROM " + table_ + " WHERE id = ?1", status);
  if (!statement) return status;
  statement->bindInt(1, identity);
  const int result = statement->step();
  if (result == SQLITE_ROW) copyRow(*statement, record);
  statement->reset();
  if (result == SQLITE_ROW) return {};
  return result == SQLITE_DONE ? DriverStatus{apprt::kRecordNotFound} : failure(result);
}

int SqliteFile::stepWrite(Statement& statement) {
  OwnCommits own;
  const int result = statement.step();
  statement.reset();
  if (result == SQLITE_DONE && sqlite3_changes(connection_->db()) > 0)
    connection_->changed(schema_, own);
  return result;
}

DriverStatus SqliteFile::add(std::span<const char> record, RecordIdentity& identity) {
  if (DriverStatus refused = connection_->beforeWrite(schema_); !refused.ok()) return refused;
  runMeetsWrite(0, record.data());
  if (!insert_) {
    std::string names;
    std::string values;
    for (std::size_t i = 0; i < file_.fields().size(); ++i) {
      names += (i ? ", " : "") + columnName(file_, static_cast<int>(i));
      values += (i ? ", " : "") + placeholder(static_cast<int>(i) + 1);
    }
    DriverStatus status;
    insert_ = cached("INSERT INTO " + table_ + " (" + names + ") VALUES (" + values + ")", status);
    if (!insert_) return status;
  }
  Statement* statement = insert_;
  bindRecord(*statement, record, 1);
  const int result = stepWrite(*statement);
  if (result == SQLITE_DONE) {
    identity = sqlite3_last_insert_rowid(connection_->db());
    return {};
  }
  return result == SQLITE_CONSTRAINT_UNIQUE ? DriverStatus{apprt::kDuplicateKey} : failure(result);
}

DriverStatus SqliteFile::put(RecordIdentity identity, std::span<const char> record,
                             const std::string* expected) {
  if (DriverStatus refused = connection_->beforeWrite(schema_); !refused.ok()) return refused;
  runMeetsWrite(identity, record.data());
  const int fieldCount = static_cast<int>(file_.fields().size());
  Statement*& prepared = expected ? checkedUpdate_ : update_;
  if (!prepared) {
    std::string sql = "UPDATE " + table_ + " SET ";
    for (int i = 0; i < fieldCount; ++i) {
      sql += (i ? ", " : "") + columnName(file_, i) + " = " + placeholder(i + 1);
    }
    sql += " WHERE id = " + placeholder(fieldCount + 1);
    if (expected) {
      // The stored record must still read as the one that was read, byte for
      // byte: compared in the form reading gave it, so that a value another tool
      // stored NULL or longer than its field does not count as a change.
      for (int i = 0; i < fieldCount; ++i) {
        sql += " AND stored_field(" + columnName(file_, i) + ", " +
               std::to_string(file_.fields()[i].characters) +
               ") = " + placeholder(fieldCount + 2 + i) + " COLLATE BINARY";
      }
    }
    DriverStatus status;
    prepared = cached(sql, status);
    if (!prepared) return status;
  }
  Statement* statement = prepared;
  bindRecord(*statement, record, 1);
  statement->bindInt(fieldCount + 1, identity);
  if (expected) bindRecord(*statement, std::span<const char>(*expected), fieldCount + 2);
  const int result = stepWrite(*statement);
  if (result == SQLITE_CONSTRAINT_UNIQUE) return {apprt::kDuplicateKey};
  if (result != SQLITE_DONE) return failure(result);
  if (sqlite3_changes(connection_->db()) == 0) {
    return expected ? DriverStatus{apprt::kChangedByOtherStation}
                    : connection_->recordGone(schema_, file_);
  }
  return {};
}

DriverStatus SqliteFile::remove(RecordIdentity identity) {
  if (DriverStatus refused = connection_->beforeWrite(schema_); !refused.ok()) return refused;
  runMeetsWrite(identity, nullptr);
  if (!delete_) {
    DriverStatus status;
    delete_ = cached("DELETE FROM " + table_ + " WHERE id = ?1", status);
    if (!delete_) return status;
  }
  Statement* statement = delete_;
  statement->bindInt(1, identity);
  const int result = stepWrite(*statement);
  if (result != SQLITE_DONE) return failure(result);
  return sqlite3_changes(connection_->db()) == 0 ? connection_->recordGone(schema_, file_)
                                                 : DriverStatus{};
}

DriverStatus SqliteFile::hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                                      bool& found) {
  connection_->reads().releaseAll();
  const auto& fields = file_.key(key).fields;
  // The record with the values as they are, or with blanks after the first
  // (stored by another tool): either is the same key value.
  const std::string select =
      "SELECT 1 FROM " + table_ + " INDEXED BY " + indexName(file_, key) + " WHERE ";
  const int count = static_cast<int>(fields.size());
  std::string rest;
  for (int i = 1; i < count; ++i) {
    rest += " AND " + columnName(file_, fields[i]) + " = " + placeholder(i + 1);
  }
  rest += " AND id <> " + placeholder(count + 1);
  const std::string first = columnName(file_, fields.front());
  const std::string sql = select + first + " = " + placeholder(1) + rest + " UNION ALL " + select +
                          paddedMatch(first, placeholder(1)) + rest + " LIMIT 1";
  DriverStatus status;
  Statement* statement = cached(sql, status);
  if (!statement) return status;
  int index = 1;
  for (int field : fields) {
    statement->bindField(index++, file_.fieldBytesIn(record, field));
  }
  statement->bindInt(index, except);
  const int result = statement->step();
  statement->reset();
  found = result == SQLITE_ROW;
  return result == SQLITE_ROW || result == SQLITE_DONE ? DriverStatus{} : failure(result);
}

std::unique_ptr<apprt::DriverBulkAdd> SqliteFile::addInBulk(
    const std::optional<apprt::ParentRule>& parent) {
  const SqliteFile* parentFile = nullptr;
  if (parent) {
    const apprt::FileInstance* instance = apprt::openInstance(*parent->parent);
    parentFile = instance ? dynamic_cast<const SqliteFile*>(instance->driverFile.get()) : nullptr;
  }
  return bulkAddTo(*this, parent, parentFile);
}

DriverStatus SqliteFile::readHistory(const apprt::HistoryRead& read,
                                     const std::function<bool(const apprt::HistoryEntry&)>& take) {
  connection_->reads().releaseAll();
  return sqlite::readHistory(connection_->db(), schema_, file_, read,
                             [&](apprt::HistoryEntry& entry) { return take(entry); });
}

DriverStatus SqliteFile::pruneHistory(const std::string& before, std::uint64_t& removed) {
  if (DriverStatus refused = connection_->beforeWrite(schema_); !refused.ok()) return refused;
  OwnCommits own;
  DriverStatus status = sqlite::pruneHistory(connection_->db(), schema_, before, removed);
  if (status.ok() && removed > 0) connection_->changed(schema_, own);
  return status;
}

DriverStatus SqliteFile::readWholeHistory(const std::function<bool(apprt::HistoryEntry&)>& take) {
  connection_->reads().releaseAll();
  return sqlite::readWholeHistory(connection_->db(), schema_, file_, take);
}

DriverStatus SqliteFile::storedIdentities(std::vector<apprt::RecordIdentity>& identities) {
  return sqlite::storedIdentities(*this, identities);
}

DriverStatus SqliteFile::carryHistory(bool replace, std::unique_ptr<apprt::HistoryCarry>& carry) {
  return carryHistoryInto(*this, replace, carry);
}

}  // namespace fesk::sqlite
