#include "support/scratch_data_set.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>

#include "drivers/postgres/pg_driver.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "support/test_server.h"

namespace fesk::test {
namespace {

// Runs statements on the test server; empty when it took them, else its words.
std::string runOnServer(const std::string& statements) {
  PGconn* session = PQconnectdb(sharedTestServer().c_str());
  std::string failure;
  if (PQstatus(session) != CONNECTION_OK) {
    failure = PQerrorMessage(session);
  } else {
    PQsetNoticeProcessor(
        session, [](void*, const char*) {}, nullptr);
    PGresult* result = PQexec(session, statements.c_str());
    const auto status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) failure = PQerrorMessage(session);
    PQclear(result);
  }
  PQfinish(session);
  return failure;
}

}  // namespace

std::string storeName(const ::testing::TestParamInfo<Store>& info) {
  return info.param == Store::kSqlite ? "Sqlite" : "Postgres";
}

ScratchDataSet::ScratchDataSet(Store store) : store_(store) {
  if (store == Store::kSqlite) {
    directory_.emplace("fesk-data");
    apprt::setDataDirectory(directory_->path());
    return;
  }
  static std::atomic<int> made = 0;
  schema_ = "test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
  driver_ = std::make_unique<postgres::PgDriver>(sharedTestServer(), schema_);
}

ScratchDataSet::~ScratchDataSet() {
  if (store_ == Store::kPostgres) {
    runOnServer("DROP SCHEMA IF EXISTS \"" + schema_ + "\" CASCADE");
  }
}

apprt::Driver& ScratchDataSet::driver() {
  return driver_ ? *driver_ : static_cast<apprt::Driver&>(sqlite::defaultDriver());
}

const std::string& ScratchDataSet::conninfo() const {
  return sharedTestServer();
}

void ScratchDataSet::sql(const std::string& file, const std::string& statements) const {
  if (store_ == Store::kPostgres) {
    const std::string failure = runOnServer("SET search_path = \"" + schema_ + "\"; " + statements);
    EXPECT_EQ(failure, "") << statements;
    return;
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((directory() / (file + ".sqlite")).c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db) << "\n"
      << statements;
  sqlite3_close(db);
}

}  // namespace fesk::test
