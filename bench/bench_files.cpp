#include "bench/bench_files.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

#include "drivers/sqlite/sqlite_driver.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/data_directory.h"

namespace fesk::bench {

apprt::File<BenchRecord> BENCH10K("BENCH10K", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                  {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"}});
apprt::File<BenchRecord> BENCH1M("BENCH1M", {{"BEN:CODE", 20}, {"BEN:NAME", 20}},
                                 {{"BEN:KEYCODE", 6, {1}, "BEN:Keycode"}});

namespace {

int storedCount(const std::string& path, const std::string& table) {
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    fesk::sqlite::Statement statement(db, "SELECT max(id) FROM " + table);
    if (statement.prepared() && statement.step() == SQLITE_ROW) {
      count = static_cast<int>(statement.columnInt(0));
    }
  }
  sqlite3_close(db);
  return count;
}

void makeFile(const apprt::FileDeclaration& file, int count) {
  const auto path = fesk::sqlite::defaultDriver().pathOf(file).string();
  if (storedCount(path, file.fileName()) == count) return;
  file.create();
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  {
    fesk::sqlite::Statement insert(
        db, "INSERT INTO " + file.fileName() + " (CODE, NAME) VALUES (?1, ?2)");
    for (int i = 0; i < count; ++i) {
      insert.bindText(1, codeOf(i));
      insert.bindText(2, "name of " + std::to_string(i));
      insert.step();
      insert.reset();
    }
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

}  // namespace

std::string codeOf(int number) {
  char code[16];
  std::snprintf(code, sizeof code, "C%09d", number);
  return code;
}

void prepareFiles() {
  static bool prepared = false;
  if (prepared) return;
  const char* directory = std::getenv("FESK_BENCH_DATA");
  apprt::setDataDirectory(directory ? directory : "bench-data");
  for (auto* file : {&BENCH10K, &BENCH1M}) file->bindDriver(fesk::sqlite::defaultDriver());
  makeFile(BENCH10K, 10000);
  makeFile(BENCH1M, 1000000);
  prepared = true;
}

}  // namespace fesk::bench
