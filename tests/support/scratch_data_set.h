#pragma once
// A fresh, empty data set for one test, kept by either driver: a data
// directory of its own for SQLite, a schema of its own on the shared test
// server for PostgreSQL. The destructor removes it. Suites that run against
// both drivers are parametrized by Store.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "runtime/files/driver.h"
#include "support/temporary_directory.h"

namespace fesk::test {

enum class Store { kSqlite, kPostgres };

// "Sqlite" or "Postgres", for the names of parametrized tests.
std::string storeName(const ::testing::TestParamInfo<Store>& info);

// The drivers a suite parametrized by Store runs on.
inline auto bothDrivers() {
  return ::testing::Values(Store::kSqlite, Store::kPostgres);
}

class ScratchDataSet {
 public:
  explicit ScratchDataSet(Store store);
  ~ScratchDataSet();
  ScratchDataSet(const ScratchDataSet&) = delete;
  ScratchDataSet& operator=(const ScratchDataSet&) = delete;

  Store store() const { return store_; }
  // The driver that keeps the data set (made the current data directory for SQLite).
  apprt::Driver& driver();
  const std::filesystem::path& directory() const { return directory_->path(); }  // SQLite
  const std::string& schema() const { return schema_; }                          // PostgreSQL
  const std::string& conninfo() const;                                           // PostgreSQL

  // Runs SQL on the data set behind the driver's back, as another program or
  // an administrator would: on FILE.sqlite for SQLite, in the schema (as the
  // search path) for PostgreSQL. Fails the test when the server refuses it.
  void sql(const std::string& file, const std::string& statements) const;

 private:
  Store store_;
  std::optional<TemporaryDirectory> directory_;
  std::string schema_;
  std::unique_ptr<apprt::Driver> driver_;
};

}  // namespace fesk::test
