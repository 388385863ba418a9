#pragma once
// SQL run on a database file directly, as another tool would: for tests that
// prepare or inspect files behind the program's back.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace fesk::test {

// Runs `statements` and answers the first column of the last row they gave
// ("" when none).
inline std::string runSqlOn(const std::filesystem::path& database, const std::string& statements) {
  sqlite3* db = nullptr;
  std::string last;
  EXPECT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  sqlite3_busy_timeout(db, 5000);
  const auto keep = [](void* out, int columns, char** values, char**) {
    if (columns > 0) *static_cast<std::string*>(out) = values[0] ? values[0] : "";
    return 0;
  };
  EXPECT_EQ(sqlite3_exec(db, statements.c_str(), keep, &last, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
  return last;
}

}  // namespace fesk::test
