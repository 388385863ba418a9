#pragma once
// Placing a new database at a data file's name: what creating a file and
// saving the records of a damaged one share. The new database is built whole
// under a temporary name and renamed into place, while other creators in the
// directory wait.

#include <filesystem>

namespace fesk::sqlite {

// Keeps other creators in the directory (threads or processes) waiting while
// this one builds and places a file, so that none replaces a file another has
// just placed, or takes its temporary file. A creation takes milliseconds; a
// lock held longer than the default wait counts as another program holding
// the file.
class CreationLock {
 public:
  explicit CreationLock(const std::filesystem::path& directory);
  ~CreationLock();
  CreationLock(const CreationLock&) = delete;
  CreationLock& operator=(const CreationLock&) = delete;

  // 0 when the lock is held, else the system's error number.
  int error() const { return error_; }
  // Makes the renames in the directory last through a power failure.
  void syncDirectory() const;

 private:
  int fd_;
  int error_ = 0;
};

// What SQLite keeps beside a database: it belongs to that database alone.
void removeCompanions(const std::filesystem::path& database);

}  // namespace fesk::sqlite
