#pragma once
// A fresh, empty data set for one test, kept by any of the drivers: a data
// directory of its own for SQLite, a schema of its own on the shared test
// server for PostgreSQL, the process's memory for the memory driver. The
// destructor removes it. Suites that run against every driver are
// parametrized by Store over allDrivers(); a suite that needs more than the
// driver interface runs over the drivers that can do what it needs.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/files/driver.h"
#include "support/temporary_directory.h"

namespace fesk::test {

enum class Store { kSqlite, kPostgres, kMemory };

// What a test may need of a data set beyond the driver interface.
enum class Capability {
  kOutsideStatements,  // sql(): another program's statements on the stored data
  kSharedByProcesses,  // a forked process, killed or not, works on the same data
  kQueryFilters,       // reads filtered by conditions in the driver's query language
  kCommandLineNamed,   // the fesk program can be pointed at it by its options
  kHistory,            // a history of every change of the data files is kept
};

// "Sqlite", "Postgres", "Memory": for the names of parametrized tests.
std::string storeName(const ::testing::TestParamInfo<Store>& info);
bool can(Store store, Capability capability);

// Every driver: the list a suite parametrized by Store runs over.
std::vector<Store> everyStore();
inline auto allDrivers() {
  return ::testing::ValuesIn(everyStore());
}
// The drivers that can do `capability`.
inline auto driversThatCan(Capability capability) {
  std::vector<Store> stores = everyStore();
  std::erase_if(stores, [&](Store store) { return !can(store, capability); });
  return ::testing::ValuesIn(stores);
}

class ScratchDataSet {
 public:
  explicit ScratchDataSet(Store store);
  ~ScratchDataSet();
  ScratchDataSet(const ScratchDataSet&) = delete;
  ScratchDataSet& operator=(const ScratchDataSet&) = delete;

  Store store() const { return store_; }
  // The driver that keeps the data set (made the current data directory for SQLite).
  apprt::Driver& driver() { return *driver_; }
  const std::filesystem::path& directory() const { return directory_->path(); }  // SQLite
  const std::string& schema() const { return schema_; }                          // PostgreSQL
  const std::string& conninfo() const;                                           // PostgreSQL

  // Runs SQL on the data set behind the driver's back, as another program or
  // an administrator would: on FILE.sqlite for SQLite, in the schema (as the
  // search path) for PostgreSQL. Fails the test when the statements are
  // refused or the driver takes none (kOutsideStatements).
  void sql(const std::string& file, const std::string& statements) const;

  // How one kind of store makes, reaches and removes a scratch data set.
  struct Kind;

 private:
  const Kind& kind_;
  Store store_;
  std::optional<TemporaryDirectory> directory_;
  std::string schema_;
  std::unique_ptr<apprt::Driver> ownDriver_;
  apprt::Driver* driver_ = nullptr;
};

}  // namespace fesk::test
