#pragma once
// How a declared file is laid out in its SQLite database: one table named after
// the file, an `id` column that is the rowid and the record identity (never
// reused: AUTOINCREMENT), one text column per field named after the field
// without its prefix and compared case-insensitively (NOCASE on the column, so
// that every index and every comparison of the column uses it), and per key an
// index named after the key that holds whole records in key order (the key's
// fields, the id, the other fields), plus for a unique key an index on its
// fields alone that keeps it unique.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "drivers/common/stored_names.h"
#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

using drivers::quotedName;
std::string quotedText(const std::string& text);                        // as an SQL string literal
std::string tableName(const apprt::FileDeclaration& file);              // quoted
std::string columnName(const apprt::FileDeclaration& file, int field);  // quoted
// The index that reads in the key's order go through.
std::string indexName(const apprt::FileDeclaration& file, int key);  // quoted
// The condition that `column` holds `value` (a bound value without trailing
// blanks) by the files' rule: letter case and trailing blanks aside.
std::string sameKeyValue(const std::string& column, const std::string& value);
// The condition that `column` holds `value` followed by blanks, as another
// tool may have stored it: the same key value, which the index sorts just
// after the bare value, so the condition seeks a short range of it.
std::string paddedMatch(const std::string& column, const std::string& value);

std::string createTableSql(const apprt::FileDeclaration& file);
// Every index of the key, as statements separated by ";"; made in the
// database attached as `schema`, or in the table's own when none is named.
std::string createIndexSql(const apprt::FileDeclaration& file, int key,
                           const std::string& schema = {});
// Every key's CREATE INDEX, each ended with ";".
std::string createIndexesSql(const apprt::FileDeclaration& file, const std::string& schema = {});
// Every key's DROP INDEX in the database attached as `schema`, each ended with ";".
std::string dropIndexesSql(const apprt::FileDeclaration& file, const std::string& schema);

// The names of the schema objects of `type` ("table", "index") in the main
// database, optionally of one table; SQLite's own objects are left out.
std::vector<std::string> objectNames(sqlite3* db, const std::string& type,
                                     const std::string& table = {});

// Checks the database attached as `schema` against the declaration: 47 when
// its table does not match, 46 when a key's index is missing or different.
apprt::DriverStatus checkSchema(sqlite3* db, const std::string& schema,
                                const apprt::FileDeclaration& file);

// The status of a failed SQLite call: 90 with SQLite's code and message.
apprt::DriverStatus sqliteFailure(sqlite3* db, int result);

}  // namespace fesk::sqlite
