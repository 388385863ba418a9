#include "drivers/postgres/pg_schema.h"

#include <map>
#include <vector>

#include "runtime/file_declaration.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string withoutPrefix(const std::string& name) {
  const auto colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

std::string keyStamp(const apprt::FileDeclaration& file, int key) {
  return std::string("fesk key: ") + (file.key(key).allowsDuplicates() ? "" : "UNIQUE ") + "(" +
         indexColumns(file, key) + ")";
}

std::string createIndexSql(Connection& connection, const std::string& schema,
                           const apprt::FileDeclaration& file, int key) {
  const std::string index = quoted(schema) + "." + indexName(file, key);
  return std::string("CREATE ") + (file.key(key).allowsDuplicates() ? "" : "UNIQUE ") + "INDEX " +
         indexName(file, key) + " ON " + tableName(schema, file) + " (" + indexColumns(file, key) +
         "); COMMENT ON INDEX " + index + " IS " + connection.literal(keyStamp(file, key)) + ";";
}

// What the catalogue says of a column, as checkSchema compares it.
std::string columnDescription(const std::string& type, const std::string& collation,
                              const std::string& identity) {
  return type + "|" + collation + "|true|" + identity;
}

}  // namespace

std::string quoted(std::string_view identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string tableName(const std::string& schema, const apprt::FileDeclaration& file) {
  return quoted(schema) + "." + quoted(lowerAscii(file.fileName()));
}

std::string columnName(const apprt::FileDeclaration& file, int field) {
  return quoted(lowerAscii(withoutPrefix(file.fields()[field].name)));
}

std::string indexName(const apprt::FileDeclaration& file, int key) {
  return quoted(lowerAscii(file.fileName() + "_" + withoutPrefix(file.key(key).name)));
}

std::string foldedColumn(const apprt::FileDeclaration& file, int field) {
  return "translate(" + columnName(file, field) +
         ", 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')";
}

std::string indexColumns(const apprt::FileDeclaration& file, int key) {
  std::string columns;
  for (int component : file.key(key).components) {
    columns += (columns.empty() ? "" : ", ") + foldedColumn(file, component - 1);
  }
  return file.key(key).allowsDuplicates() ? columns + ", id" : columns;
}

std::string createKeysScript(Connection& connection, const std::string& schema,
                             const apprt::FileDeclaration& file) {
  std::string sql;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    sql += createIndexSql(connection, schema, file, static_cast<int>(key));
  }
  return sql;
}

std::string createFileScript(Connection& connection, const std::string& schema,
                             const apprt::FileDeclaration& file) {
  std::string sql = "CREATE SCHEMA IF NOT EXISTS " + quoted(schema) + "; DROP TABLE IF EXISTS " +
                    tableName(schema, file) + "; CREATE TABLE " + tableName(schema, file) +
                    " (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY";
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    sql += ", " + columnName(file, static_cast<int>(i)) + " text COLLATE \"C\" NOT NULL";
  }
  return sql + "); " + createKeysScript(connection, schema, file);
}

DriverStatus checkSchema(Connection& connection, const std::string& schema,
                         const apprt::FileDeclaration& file) {
  static const std::string sql =
      "SELECT 'column', a.attnum, a.attname::text, concat_ws('|', format_type(a.atttypid, "
      "a.atttypmod), coalesce(co.collname::text, ''), a.attnotnull::text, a.attidentity::text) "
      "FROM pg_catalog.pg_attribute a LEFT JOIN pg_catalog.pg_collation co ON co.oid = "
      "a.attcollation WHERE a.attrelid = to_regclass($1) AND a.attnum > 0 AND NOT a.attisdropped "
      "UNION ALL SELECT 'index', 0, c.relname::text, concat_ws('|', i.indisunique::text, "
      "(i.indisvalid AND i.indisready)::text, coalesce(obj_description(c.oid, 'pg_class'), '')) "
      "FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class c ON c.oid = i.indexrelid "
      "WHERE i.indrelid = to_regclass($1) ORDER BY 1, 2";
  DriverStatus status;
  const Result result = connection.run(sql, {tableName(schema, file)}, status);
  if (!status.ok()) return status;
  if (result.rows() == 0) return {apprt::kFileNotFound};

  std::vector<std::string> columns;
  std::map<std::string, std::string, std::less<>> indexes;
  for (int row = 0; row < result.rows(); ++row) {
    const std::string name(result.text(row, 2));
    std::string description(result.text(row, 3));
    if (result.text(row, 0) == "column") {
      columns.push_back(quoted(name) + " " + description);
    } else {
      indexes.emplace(quoted(name), std::move(description));
    }
  }
  std::vector<std::string> expected{"\"id\" " + columnDescription("bigint", "", "a")};
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    expected.push_back(columnName(file, static_cast<int>(i)) + " " +
                       columnDescription("text", "C", ""));
  }
  if (columns != expected) {
    return {apprt::kFileInvalid, "", file.fileName() + ": the table does not match the file"};
  }
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    const int k = static_cast<int>(key);
    const auto it = indexes.find(indexName(file, k));
    const std::string wanted = std::string(file.key(k).allowsDuplicates() ? "false" : "true") +
                               "|true|" + keyStamp(file, k);
    if (it == indexes.end() || it->second != wanted) {
      return {
          apprt::kKeysInvalid, "",
          file.fileName() + ": the index of key " + file.key(k).name + " is missing or damaged"};
    }
  }
  return {};
}

}  // namespace fesk::postgres
