#include "drivers/sqlite/database_creation.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_schema.h"

namespace fesk::sqlite {
namespace {

namespace fs = std::filesystem;
using apprt::DriverStatus;

// Why a file could not be created, from the system's error number: 91 when
// another creator kept the directory locked, else 90.
DriverStatus creationFailure(const fs::path& path, int error) {
  return {
      error == EWOULDBLOCK ? apprt::kFileLocked : apprt::kDriverError, std::to_string(error),
      "cannot create " + path.filename().string() + ": " + std::generic_category().message(error)};
}

// Keeps other creators in the directory (threads or processes) waiting while
// this one builds and places a file, so that none replaces a file another has
// just placed, or takes its temporary file. A creation takes milliseconds; a
// lock held longer than the default wait counts as another program holding
// the file.
class CreationLock {
 public:
  explicit CreationLock(const fs::path& directory)
      : fd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    const auto giveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kDefaultBusyMilliseconds);
    if (fd_ < 0) error_ = errno;
    while (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > giveUp) {
        error_ = errno;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~CreationLock() {
    if (fd_ >= 0) ::close(fd_);  // lets go of the lock
  }
  // 0 when the lock is held, else the system's error number.
  int error() const { return error_; }
  // Makes the renames in the directory last through a power failure.
  void syncDirectory() const { ::fsync(fd_); }

 private:
  int fd_;
  int error_ = 0;
};

// Gives the database of `connection` the file's table and indexes, in place of
// any tables it had, in one transaction.
DriverStatus createTables(PrivateConnection& connection, const apprt::FileDeclaration& file) {
  // Rollback journal: what makes a commit over several files atomic.
  connection.execute("PRAGMA journal_mode = DELETE");
  connection.execute("BEGIN IMMEDIATE");
  for (const auto& table : objectNames(connection.db(), "table")) {
    connection.execute("DROP TABLE " + quotedName(table));
  }
  connection.execute(createTableSql(file) + ";" + createIndexesSql(file) + "COMMIT");
  if (connection.result() == SQLITE_OK) return {};
  DriverStatus status = openFailure(connection.db(), connection.result());
  connection.rollback();
  return status;
}

}  // namespace

void removeCompanions(const fs::path& database) {
  std::error_code ignored;
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    fs::remove(database.string() + suffix, ignored);
  }
}

DriverStatus createDatabase(const fs::path& path, const apprt::FileDeclaration& file) {
  CreationLock lock(path.parent_path());
  if (lock.error() != 0) return creationFailure(path, lock.error());
  if (inspectDatabase(path) == FoundFile::kDatabase) {
    PrivateConnection connection(path);
    return createTables(connection, file);
  }

  // A temporary file left by a creation that was cut short goes first.
  const fs::path temporary = path.string() + ".new";
  std::error_code error;
  fs::remove(temporary, error);
  removeCompanions(temporary);
  DriverStatus status;
  {
    PrivateConnection connection(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    status = createTables(connection, file);
  }
  if (!status.ok()) {
    fs::remove(temporary, error);
    removeCompanions(temporary);
    return status;
  }
  // A journal beside an empty or missing file would be played into the new one.
  removeCompanions(path);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    status = creationFailure(path, errno);
    fs::remove(temporary, error);
    return status;
  }
  lock.syncDirectory();
  return {};
}

}  // namespace fesk::sqlite
