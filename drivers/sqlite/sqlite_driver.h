#pragma once
// The default keyed-file driver: each file is one SQLite database in a data
// directory (FESK1 is FESK1.sqlite), laid out as sqlite_schema.h describes,
// read and written through the calling thread's one connection. The directory
// is the process's data directory, or one given to the driver (a copy between
// two data directories has a driver for each).
//
// An open also clears super-journals no transaction needs any more
// (super_journals.h), puts the file in rollback-journal mode (the connection),
// and checks its pages when that is due (page_check.h). Files are created
// whole or not at all (database_creation.h); building the keys also mends
// damaged keys (key_building.h).
//
// Driver option: "Recover=N" makes the next open of the file wait up to N
// seconds for a journal that must be rolled back (by this process or one that
// holds the file), instead of the default wait. "Salvage" saves the readable
// records of a file whose table is damaged into a new one (record_salvage.h).

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

class SqliteDriver : public apprt::Driver {
 public:
  // Files in the process's data directory (runtime/files/data_directory.h).
  SqliteDriver();
  // Files in `directory`.
  explicit SqliteDriver(std::filesystem::path directory);

  // The database file of a declared file.
  std::filesystem::path pathOf(const apprt::FileDeclaration& file) const;

  apprt::DriverStatus open(const apprt::FileDeclaration& file, int mode,
                           std::unique_ptr<apprt::DriverFile>& opened) override;
  apprt::DriverStatus create(const apprt::FileDeclaration& file) override;
  apprt::DriverStatus buildKeys(const apprt::FileDeclaration& file) override;
  apprt::DriverStatus send(const apprt::FileDeclaration& file, std::string_view option,
                           std::string& answer) override;
  apprt::DriverStatus begin(std::span<apprt::DriverFile* const> files, int timeoutSeconds) override;
  apprt::DriverStatus commit() override;
  apprt::DriverStatus rollback() override;
  // Into another data directory, page by page (whole_file_copy.h).
  bool copyWholeFiles(std::span<const apprt::FileDeclaration* const> files, apprt::Driver& target,
                      apprt::WholeFilesCopy& copy, apprt::DriverStatus& status) override;

 private:
  int takeRecoverySeconds(const std::string& fileName);

  std::optional<std::filesystem::path> directory_;
  std::mutex mutex_;
  std::map<std::string, int> recoverySeconds_;  // by file name, from "Recover=N"
};

// The process-wide SQLite driver.
SqliteDriver& defaultDriver();

}  // namespace fesk::sqlite
