#pragma once
// A database file as the driver finds it before opening it, and a connection
// of its own for work on a file that is not open (create, build keys).

#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

enum class FoundFile {
  kMissing,
  kEmpty,  // 0 bytes: what a creation that did not finish may leave; as missing
  kNotADatabase,
  kDatabase,
  // A symbolic link whose target is not there (on a drive that is not
  // mounted, say): not a missing file, since a file created in its place
  // would hide the real one when the drive is back.
  kDanglingLink,
};

FoundFile inspectDatabase(const std::filesystem::path& path);

// Why a file at a dangling link can be neither opened nor created: 90 naming
// the link and its target.
apprt::DriverStatus danglingLinkFailure(const std::filesystem::path& link);

// A connection of its own on one database, closed with it. Once a statement
// fails, the later ones are not run and result() keeps that failure.
class PrivateConnection {
 public:
  explicit PrivateConnection(const std::filesystem::path& path, int flags = SQLITE_OPEN_READWRITE);
  ~PrivateConnection() { sqlite3_close_v2(db_); }
  PrivateConnection(const PrivateConnection&) = delete;
  PrivateConnection& operator=(const PrivateConnection&) = delete;

  sqlite3* db() const { return db_; }
  int execute(const std::string& sql);
  int result() const { return result_; }
  // Ends a transaction that failed (harmless when none is open).
  void rollback() { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
  int result_;
};

}  // namespace fesk::sqlite
