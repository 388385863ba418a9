#include "drivers/sqlite/sqlite_file.h"

#include "drivers/sqlite/sqlite_schema.h"
#include "runtime/file_declaration.h"

namespace fesk::sqlite {

using apprt::Direction;
using apprt::DriverStatus;
using apprt::ReadBound;
using apprt::ReadOrder;
using apprt::RecordIdentity;

namespace {

// The key whose components are exactly `fields`, or -1.
int keyOf(const apprt::FileDeclaration& file, const ReadOrder& order) {
  if (order.key >= 0) return order.key;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    std::vector<int> fields;
    for (int component : file.key(static_cast<int>(key)).components) {
      fields.push_back(component - 1);
    }
    if (!order.fields.empty() && fields == order.fields) return static_cast<int>(key);
  }
  return -1;
}

std::string placeholder(int index) {
  return "?" + std::to_string(index);
}

// Fields are stored without their padding, so that a filter compares a column
// with a plain literal ("CODE = 'A'"); reading pads them again. Padding sorts
// like the end of the text, so the order stays that of the padded fields.
void bindField(Statement& statement, int index, std::string_view bytes) {
  const auto end = bytes.find_last_not_of(' ');
  statement.bindText(index,
                     end == std::string_view::npos ? bytes.substr(0, 0) : bytes.substr(0, end + 1));
}

}  // namespace

SqliteFile::SqliteFile(std::shared_ptr<Connection> connection, std::string schema,
                       const apprt::FileDeclaration& file)
    : connection_(std::move(connection)),
      schema_(std::move(schema)),
      file_(file),
      table_(quotedName(schema_) + "." + tableName(file)),
      columns_("id") {
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    columns_ += ", " + columnName(file, static_cast<int>(i));
  }
  connection_->addReads(this);
}

SqliteFile::~SqliteFile() {
  connection_->removeReads(this);
  statements_.clear();  // finalized before the database can be detached
  connection_->release(schema_);
}

DriverStatus SqliteFile::failure(int result) const {
  return sqliteFailure(connection_->db(), result);
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

void SqliteFile::releaseReads() {
  if (run_.statement) run_.statement->reset();
  run_.statement = nullptr;
}

std::string SqliteFile::readSql(const ReadOrder& order, Direction direction,
                                const ReadBound& from) const {
  const bool forward = direction == Direction::kForward;
  std::string sql = "SELECT " + columns_ + " FROM " + table_;
  if (const int key = keyOf(file_, order); key >= 0) sql += " INDEXED BY " + indexName(file_, key);

  std::string where;
  if (!from.atEdge) {
    std::string columns = "(";
    std::string values = "(";
    int index = 1;
    for (int field : order.fields) {
      columns += columnName(file_, field) + ", ";
      values += placeholder(index++) + ", ";
    }
    const char* comparison =
        forward ? (from.inclusive ? " >= " : " > ") : (from.inclusive ? " <= " : " < ");
    where = columns + "id)" + comparison + values + placeholder(index) + ")";
  }
  if (!order.filter.empty()) {
    where += (where.empty() ? "(" : " AND (") + order.filter + ")";
  }
  if (!where.empty()) sql += " WHERE " + where;

  const char* sense = forward ? "" : " DESC";
  sql += " ORDER BY ";
  for (int field : order.fields) sql += columnName(file_, field) + sense + ", ";
  return sql + "id" + sense;
}

bool SqliteFile::continuesRun(const ReadOrder& order, const ReadBound& from,
                              Direction direction) const {
  // While the statement is live its shared lock keeps every other connection
  // from committing, and this thread's own writes end the run first; so the
  // record it answered last still stands where the statement is.
  return run_.statement && !from.atEdge && !from.inclusive && run_.direction == direction &&
         run_.identity == from.identity && run_.fields == order.fields &&
         run_.filter == order.filter;
}

DriverStatus SqliteFile::read(const ReadOrder& order, const ReadBound& from, Direction direction,
                              std::span<char> record, RecordIdentity& identity) {
  if (continuesRun(order, from, direction)) return stepRead(record, identity);
  releaseReads();
  DriverStatus status;
  Statement* statement = cached(readSql(order, direction, from), status);
  if (!statement) return status;
  if (!from.atEdge) {
    int index = 1;
    for (const auto& value : from.values) bindField(*statement, index++, value);
    statement->bindInt(index, from.identity);
  }
  run_ = LiveRun{statement, order.fields, order.filter, direction, 0};
  return stepRead(record, identity);
}

DriverStatus SqliteFile::stepRead(std::span<char> record, RecordIdentity& identity) {
  const int result = run_.statement->step();
  if (result == SQLITE_ROW) {
    copyRow(*run_.statement, record);
    identity = run_.identity = run_.statement->columnInt(0);
    return {};
  }
  releaseReads();
  if (result == SQLITE_DONE) return {apprt::kNoMoreRecords};
  return failure(result);
}

void SqliteFile::copyRow(const Statement& statement, std::span<char> record) const {
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    apprt::assignField(record.data() + file_.fieldOffset(static_cast<int>(i)),
                       file_.fields()[i].length, statement.columnText(static_cast<int>(i) + 1));
  }
}

void SqliteFile::bindRecord(Statement& statement, std::span<const char> record,
                            int firstIndex) const {
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    bindField(statement, firstIndex + static_cast<int>(i),
              std::string_view(record.data() + file_.fieldOffset(static_cast<int>(i)),
                               file_.fields()[i].length));
  }
}

DriverStatus SqliteFile::fetch(RecordIdentity identity, std::span<char> record) {
  releaseReads();
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

DriverStatus SqliteFile::add(std::span<const char> record, RecordIdentity& identity) {
  connection_->releaseReads();
  std::string names;
  std::string values;
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    names += (i ? ", " : "") + columnName(file_, static_cast<int>(i));
    values += (i ? ", " : "") + placeholder(static_cast<int>(i) + 1);
  }
  DriverStatus status;
  Statement* statement =
      cached("INSERT INTO " + table_ + " (" + names + ") VALUES (" + values + ")", status);
  if (!statement) return status;
  bindRecord(*statement, record, 1);
  const int result = statement->step();
  statement->reset();
  if (result == SQLITE_DONE) {
    identity = sqlite3_last_insert_rowid(connection_->db());
    return {};
  }
  return result == SQLITE_CONSTRAINT_UNIQUE ? DriverStatus{apprt::kDuplicateKey} : failure(result);
}

DriverStatus SqliteFile::put(RecordIdentity identity, std::span<const char> record,
                             const std::string* expected) {
  connection_->releaseReads();
  const int fieldCount = static_cast<int>(file_.fields().size());
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
             std::to_string(file_.fields()[i].length) + ") = " + placeholder(fieldCount + 2 + i) +
             " COLLATE BINARY";
    }
  }
  DriverStatus status;
  Statement* statement = cached(sql, status);
  if (!statement) return status;
  bindRecord(*statement, record, 1);
  statement->bindInt(fieldCount + 1, identity);
  if (expected) bindRecord(*statement, std::span<const char>(*expected), fieldCount + 2);
  const int result = statement->step();
  statement->reset();
  if (result == SQLITE_CONSTRAINT_UNIQUE) return {apprt::kDuplicateKey};
  if (result != SQLITE_DONE) return failure(result);
  if (sqlite3_changes(connection_->db()) == 0) {
    return {expected ? apprt::kChangedByOtherStation : apprt::kRecordNotFound};
  }
  return {};
}

DriverStatus SqliteFile::remove(RecordIdentity identity) {
  connection_->releaseReads();
  DriverStatus status;
  Statement* statement = cached("DELETE FROM " + table_ + " WHERE id = ?1", status);
  if (!statement) return status;
  statement->bindInt(1, identity);
  const int result = statement->step();
  statement->reset();
  if (result != SQLITE_DONE) return failure(result);
  return sqlite3_changes(connection_->db()) == 0 ? DriverStatus{apprt::kRecordNotFound}
                                                 : DriverStatus{};
}

DriverStatus SqliteFile::hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                                      bool& found) {
  releaseReads();
  const auto& components = file_.key(key).components;
  std::string sql = "SELECT 1 FROM " + table_ + " INDEXED BY " + indexName(file_, key) + " WHERE ";
  int index = 1;
  for (int component : components) {
    sql += columnName(file_, component - 1) + " = " + placeholder(index++) + " AND ";
  }
  sql += "id <> " + placeholder(index) + " LIMIT 1";
  DriverStatus status;
  Statement* statement = cached(sql, status);
  if (!statement) return status;
  index = 1;
  for (int component : components) {
    const int field = component - 1;
    bindField(
        *statement, index++,
        std::string_view(record.data() + file_.fieldOffset(field), file_.fields()[field].length));
  }
  statement->bindInt(index, except);
  const int result = statement->step();
  statement->reset();
  found = result == SQLITE_ROW;
  return result == SQLITE_ROW || result == SQLITE_DONE ? DriverStatus{} : failure(result);
}

}  // namespace fesk::sqlite
