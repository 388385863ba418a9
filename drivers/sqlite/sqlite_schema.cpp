#include "drivers/sqlite/sqlite_schema.h"

#include <algorithm>
#include <vector>

#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

std::string withoutPrefix(const std::string& name) {
  const auto colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

DriverStatus invalid(int code, std::string why) {
  return {code, "", std::move(why)};
}

// The column names of a table or an index, in order, from a table_info or
// index_info pragma (`nameColumn` is where the name is).
std::vector<std::string> pragmaNames(sqlite3* db, const std::string& sql, int nameColumn,
                                     int& result) {
  std::vector<std::string> names;
  Statement statement(db, sql);
  result = statement.prepareResult();
  if (!statement.prepared()) return names;
  while ((result = statement.step()) == SQLITE_ROW) {
    names.emplace_back(statement.columnText(nameColumn));
  }
  if (result == SQLITE_DONE) result = SQLITE_OK;
  return names;
}

// The indexes of a key. Its reading index holds the key's fields, the
// identity and then every other field, so that reads in key order find whole
// records in the index alone: a page of records stored far apart in the table
// costs one seek, not one per record. A unique key has a second index, on its
// fields alone, that keeps it unique.
struct KeyIndex {
  std::string name;  // unquoted
  std::vector<std::string> columns;
  bool unique = false;
};

std::vector<KeyIndex> keyIndexes(const apprt::FileDeclaration& file, int key) {
  const auto& declared = file.key(key);
  const std::string name = file.fileName() + "." + withoutPrefix(declared.name);
  std::vector<std::string> keyFields;
  for (int component : declared.components) {
    keyFields.push_back(withoutPrefix(file.fields()[component - 1].name));
  }
  KeyIndex reading{name, keyFields, false};
  reading.columns.push_back("id");
  for (std::size_t field = 0; field < file.fields().size(); ++field) {
    const std::string column = withoutPrefix(file.fields()[field].name);
    if (std::find(keyFields.begin(), keyFields.end(), column) == keyFields.end()) {
      reading.columns.push_back(column);
    }
  }
  if (declared.allowsDuplicates()) return {reading};
  return {reading, KeyIndex{name + ".unique", keyFields, true}};
}

}  // namespace

std::string quotedName(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string tableName(const apprt::FileDeclaration& file) {
  return quotedName(file.fileName());
}

std::string columnName(const apprt::FileDeclaration& file, int field) {
  return quotedName(withoutPrefix(file.fields()[field].name));
}

std::string indexName(const apprt::FileDeclaration& file, int key) {
  return quotedName(keyIndexes(file, key).front().name);
}

std::string createTableSql(const apprt::FileDeclaration& file) {
  std::string sql = "CREATE TABLE " + tableName(file) + " (id INTEGER PRIMARY KEY AUTOINCREMENT";
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    sql += ", " + columnName(file, static_cast<int>(i)) + " TEXT COLLATE NOCASE NOT NULL";
  }
  return sql + ")";
}

std::string createIndexSql(const apprt::FileDeclaration& file, int key) {
  std::string sql;
  for (const KeyIndex& index : keyIndexes(file, key)) {
    std::string columns;
    for (const auto& column : index.columns) {
      columns += (columns.empty() ? "" : ", ") + quotedName(column);
    }
    sql += std::string(sql.empty() ? "" : ";") + "CREATE " + (index.unique ? "UNIQUE " : "") +
           "INDEX " + quotedName(index.name) + " ON " + tableName(file) + " (" + columns + ")";
  }
  return sql;
}

DriverStatus sqliteFailure(sqlite3* db, int result) {
  return {apprt::kDriverError, std::to_string(result),
          db ? sqlite3_errmsg(db) : sqlite3_errstr(result)};
}

DriverStatus checkSchema(sqlite3* db, const std::string& schema,
                         const apprt::FileDeclaration& file) {
  const std::string prefix = quotedName(schema) + ".";
  int result = SQLITE_OK;
  const auto columns =
      pragmaNames(db, "PRAGMA " + prefix + "table_info(" + tableName(file) + ")", 1, result);
  if (result != SQLITE_OK) {
    return result == SQLITE_NOTADB || result == SQLITE_CORRUPT
               ? invalid(apprt::kFileInvalid, sqlite3_errmsg(db))
               : sqliteFailure(db, result);
  }
  std::vector<std::string> expected{"id"};
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    expected.push_back(withoutPrefix(file.fields()[i].name));
  }
  if (columns != expected) {
    return invalid(apprt::kFileInvalid, file.fileName() + ": the table does not match the file");
  }

  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    for (const KeyIndex& index : keyIndexes(file, static_cast<int>(key))) {
      const auto indexed = pragmaNames(
          db, "PRAGMA " + prefix + "index_info(" + quotedName(index.name) + ")", 2, result);
      if (result != SQLITE_OK) return sqliteFailure(db, result);
      Statement unique(
          db, "SELECT sql FROM " + prefix + "sqlite_schema WHERE type = 'index' AND name = ?1");
      if (!unique.prepared()) return sqliteFailure(db, unique.prepareResult());
      unique.bindText(1, index.name);
      const bool found = unique.step() == SQLITE_ROW;
      const bool isUnique = found && unique.columnText(0).starts_with("CREATE UNIQUE");
      if (indexed != index.columns || !found || isUnique != index.unique) {
        return invalid(apprt::kKeysInvalid, file.fileName() + ": the index of key " +
                                                file.key(static_cast<int>(key)).name +
                                                " is missing or damaged");
      }
    }
  }
  return {};
}

}  // namespace fesk::sqlite
