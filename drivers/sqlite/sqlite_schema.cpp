#include "drivers/sqlite/sqlite_schema.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

DriverStatus invalid(int code, std::string why) {
  return {code, "", std::move(why)};
}

// The rows of a table_info or index_xinfo pragma, each as the texts of
// `columns`.
std::vector<std::vector<std::string>> pragmaRows(sqlite3* db, const std::string& sql,
                                                 std::initializer_list<int> columns, int& result) {
  std::vector<std::vector<std::string>> rows;
  Statement statement(db, sql);
  result = statement.prepareResult();
  if (!statement.prepared()) return rows;
  while ((result = statement.step()) == SQLITE_ROW) {
    auto& row = rows.emplace_back();
    for (int column : columns) row.emplace_back(statement.columnText(column));
  }
  if (result == SQLITE_DONE) result = SQLITE_OK;
  return rows;
}

bool sameName(const std::string& a, const char* b) {
  return sqlite3_stricmp(a.c_str(), b) == 0;
}

// The collation a column of a table compares with ("" when unknown).
std::string columnCollation(sqlite3* db, const std::string& schema, const std::string& table,
                            const std::string& column) {
  const char* collation = nullptr;
  if (sqlite3_table_column_metadata(db, schema.c_str(), table.c_str(), column.c_str(), nullptr,
                                    &collation, nullptr, nullptr, nullptr) != SQLITE_OK) {
    return {};
  }
  return collation ? collation : "";
}

// SQL quoting: the text between quotes, each quote in it doubled.
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
  const std::string name = file.fileName() + "." + drivers::storedKeyName(file, key);
  std::vector<std::string> keyFields;
  for (int field : declared.fields) {
    keyFields.push_back(drivers::storedColumn(file, field));
  }
  KeyIndex reading{name, keyFields, false};
  reading.columns.push_back("id");
  for (std::size_t field = 0; field < file.fields().size(); ++field) {
    const std::string column = drivers::storedColumn(file, static_cast<int>(field));
    if (std::find(keyFields.begin(), keyFields.end(), column) == keyFields.end()) {
      reading.columns.push_back(column);
    }
  }
  if (declared.allowsDuplicates()) return {reading};
  return {reading, KeyIndex{name + ".unique", keyFields, true}};
}

}  // namespace

std::string quotedText(const std::string& text) {
  return drivers::quotedWith(text, '\'');
}

std::string tableName(const apprt::FileDeclaration& file) {
  return quotedName(file.fileName());
}

std::string columnName(const apprt::FileDeclaration& file, int field) {
  return quotedName(drivers::storedColumn(file, field));
}

std::string indexName(const apprt::FileDeclaration& file, int key) {
  return quotedName(keyIndexes(file, key).front().name);
}

std::string sameKeyValue(const std::string& column, const std::string& value) {
  return "rtrim(" + column + ") = " + value + " COLLATE NOCASE";
}

std::string paddedMatch(const std::string& column, const std::string& value) {
  return column + " > " + value + " AND " + column + " < " + value + " || '!' AND " +
         sameKeyValue(column, value);
}

std::string createTableSql(const apprt::FileDeclaration& file) {
  std::string sql = "CREATE TABLE " + tableName(file) + " (id INTEGER PRIMARY KEY AUTOINCREMENT";
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    sql += ", " + columnName(file, static_cast<int>(i)) + " TEXT COLLATE NOCASE NOT NULL";
  }
  return sql + ")";
}

namespace {

std::string inSchema(const std::string& schema) {
  return schema.empty() ? "" : quotedName(schema) + ".";
}

}  // namespace

std::string createIndexSql(const apprt::FileDeclaration& file, int key, const std::string& schema) {
  std::string sql;
  for (const KeyIndex& index : keyIndexes(file, key)) {
    std::string columns;
    for (const auto& column : index.columns) {
      columns += (columns.empty() ? "" : ", ") + quotedName(column);
    }
    sql += std::string(sql.empty() ? "" : ";") + "CREATE " + (index.unique ? "UNIQUE " : "") +
           "INDEX " + inSchema(schema) + quotedName(index.name) + " ON " + tableName(file) + " (" +
           columns + ")";
  }
  return sql;
}

std::string createIndexesSql(const apprt::FileDeclaration& file, const std::string& schema) {
  std::string sql;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    sql += createIndexSql(file, static_cast<int>(key), schema) + ";";
  }
  return sql;
}

std::string dropIndexesSql(const apprt::FileDeclaration& file, const std::string& schema) {
  std::string sql;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    for (const KeyIndex& index : keyIndexes(file, static_cast<int>(key))) {
      sql += "DROP INDEX " + inSchema(schema) + quotedName(index.name) + ";";
    }
  }
  return sql;
}

std::vector<std::string> objectNames(sqlite3* db, const std::string& type,
                                     const std::string& table) {
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

DriverStatus sqliteFailure(sqlite3* db, int result) {
  return {apprt::kDriverError, std::to_string(result),
          db ? sqlite3_errmsg(db) : sqlite3_errstr(result)};
}

DriverStatus checkSchema(sqlite3* db, const std::string& schema,
                         const apprt::FileDeclaration& file) {
  const std::string prefix = quotedName(schema) + ".";
  int result = SQLITE_OK;
  // name, declared type, part of the primary key
  const auto columns =
      pragmaRows(db, "PRAGMA " + prefix + "table_info(" + tableName(file) + ")", {1, 2, 5}, result);
  if (result != SQLITE_OK) {
    return result == SQLITE_NOTADB || result == SQLITE_CORRUPT
               ? invalid(apprt::kFileInvalid, sqlite3_errmsg(db))
               : sqliteFailure(db, result);
  }
  // Text columns that compared letter case would let "b001" stand beside
  // "B001" under a unique key.
  bool matches = columns.size() == file.fields().size() + 1 && columns[0][0] == "id" &&
                 sameName(columns[0][1], "INTEGER") && columns[0][2] == "1";
  for (std::size_t i = 0; matches && i < file.fields().size(); ++i) {
    const std::string name = drivers::storedColumn(file, static_cast<int>(i));
    matches = columns[i + 1][0] == name && sameName(columns[i + 1][1], "TEXT") &&
              sameName(columnCollation(db, schema, file.fileName(), name), "NOCASE");
  }
  if (!matches) {
    return invalid(apprt::kFileInvalid, file.fileName() + ": the table does not match the file");
  }

  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    for (const KeyIndex& index : keyIndexes(file, static_cast<int>(key))) {
      // Every field column compares ignoring letter case; the identity as stored.
      std::vector<std::vector<std::string>> expected;
      for (const auto& column : index.columns) {
        expected.push_back({column, column == "id" ? "BINARY" : "NOCASE", "1"});
      }
      // name, collation, a key column (not the rowid that ends every index)
      auto indexed =
          pragmaRows(db, "PRAGMA " + prefix + "index_xinfo(" + quotedName(index.name) + ")",
                     {2, 4, 5}, result);
      if (result != SQLITE_OK) return sqliteFailure(db, result);
      std::erase_if(indexed, [](const auto& row) { return row[2] != "1"; });
      for (auto& row : indexed) {
        if (sameName(row[1], "NOCASE")) row[1] = "NOCASE";
        if (sameName(row[1], "BINARY")) row[1] = "BINARY";
      }
      Statement unique(
          db, "SELECT sql FROM " + prefix + "sqlite_schema WHERE type = 'index' AND name = ?1");
      if (!unique.prepared()) return sqliteFailure(db, unique.prepareResult());
      unique.bindText(1, index.name);
      const bool found = unique.step() == SQLITE_ROW;
      const bool isUnique = found && unique.columnText(0).starts_with("CREATE UNIQUE");
      if (indexed != expected || !found || isUnique != index.unique) {
        return invalid(apprt::kKeysInvalid, file.fileName() + ": the index of key " +
                                                file.key(static_cast<int>(key)).name +
                                                " is missing or damaged");
      }
    }
  }
  return {};
}

}  // namespace fesk::sqlite
