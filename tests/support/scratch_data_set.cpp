#include "support/scratch_data_set.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "drivers/postgres/pg_driver.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "support/memory_driver.h"
#include "support/test_server.h"

namespace fesk::test {

struct ScratchDataSet::Kind {
  Store store;
  const char* name;
  std::vector<Capability> capabilities;
  void (*make)(ScratchDataSet& dataSet);
  // Runs statements behind the driver's back: empty when it took them, else
  // the words of the refusal.
  std::string (*sql)(const ScratchDataSet& dataSet, const std::string& file,
                     const std::string& statements);
  void (*remove)(ScratchDataSet& dataSet);

  static const std::vector<Kind>& all();
};

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

std::string runOnFile(const std::filesystem::path& database, const std::string& statements) {
  sqlite3* db = nullptr;
  std::string failure;
  if (sqlite3_open(database.c_str(), &db) != SQLITE_OK ||
      sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    failure = sqlite3_errmsg(db);
  }
  sqlite3_close(db);
  return failure;
}

}  // namespace

// The one list of the stores the tests know. A driver listed here runs every
// suite parametrized over allDrivers(), and the suites of each capability it
// declares.
const std::vector<ScratchDataSet::Kind>& ScratchDataSet::Kind::all() {
  static const std::vector<Kind> kinds = {
      {.store = Store::kSqlite,
       .name = "Sqlite",
       .capabilities = {Capability::kOutsideStatements, Capability::kSharedByProcesses,
                        Capability::kQueryFilters, Capability::kCommandLineNamed,
                        Capability::kHistory},
       .make =
           [](ScratchDataSet& dataSet) {
             dataSet.directory_.emplace("fesk-data");
             apprt::setDataDirectory(dataSet.directory_->path());
             dataSet.driver_ = &sqlite::defaultDriver();
           },
       .sql =
           [](const ScratchDataSet& dataSet, const std::string& file,
              const std::string& statements) {
             return runOnFile(dataSet.directory() / (file + ".sqlite"), statements);
           },
       .remove = [](ScratchDataSet&) {}},
      {.store = Store::kPostgres,
       .name = "Postgres",
       .capabilities = {Capability::kOutsideStatements, Capability::kSharedByProcesses,
                        Capability::kQueryFilters, Capability::kCommandLineNamed,
                        Capability::kHistory},
       .make =
           [](ScratchDataSet& dataSet) {
             static std::atomic<int> made = 0;
             dataSet.schema_ = "test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
             dataSet.ownDriver_ =
                 std::make_unique<postgres::PgDriver>(sharedTestServer(), dataSet.schema_);
             dataSet.driver_ = dataSet.ownDriver_.get();
           },
       .sql =
           [](const ScratchDataSet& dataSet, const std::string&, const std::string& statements) {
             return runOnServer("SET search_path = \"" + dataSet.schema_ + "\"; " + statements);
           },
       .remove =
           [](ScratchDataSet& dataSet) {
             runOnServer("DROP SCHEMA IF EXISTS \"" + dataSet.schema_ + "\" CASCADE");
           }},
      {.store = Store::kMemory,
       .name = "Memory",
       .capabilities = {},
       .make =
           [](ScratchDataSet& dataSet) {
             dataSet.ownDriver_ = std::make_unique<MemoryDriver>();
             dataSet.driver_ = dataSet.ownDriver_.get();
           },
       .sql = [](const ScratchDataSet&, const std::string&, const std::string&) -> std::string {
         return "the memory driver takes no SQL";
       },
       .remove = [](ScratchDataSet&) {}},
  };
  return kinds;
}

namespace {

const ScratchDataSet::Kind& kindOf(Store store) {
  const auto& kinds = ScratchDataSet::Kind::all();
  return *std::ranges::find(kinds, store, &ScratchDataSet::Kind::store);
}

}  // namespace

std::string storeName(const ::testing::TestParamInfo<Store>& info) {
  return kindOf(info.param).name;
}

bool can(Store store, Capability capability) {
  return std::ranges::find(kindOf(store).capabilities, capability) !=
         kindOf(store).capabilities.end();
}

std::vector<Store> everyStore() {
  std::vector<Store> stores;
  for (const auto& kind : ScratchDataSet::Kind::all()) stores.push_back(kind.store);
  return stores;
}

ScratchDataSet::ScratchDataSet(Store store) : kind_(kindOf(store)), store_(store) {
  kind_.make(*this);
}

ScratchDataSet::~ScratchDataSet() {
  kind_.remove(*this);
}

const std::string& ScratchDataSet::conninfo() const {
  return sharedTestServer();
}

void ScratchDataSet::sql(const std::string& file, const std::string& statements) const {
  EXPECT_EQ(kind_.sql(*this, file, statements), "") << statements;
}

}  // namespace fesk::test
