#pragma once
// Who works on a data directory. Every fesk that uses one holds a shared lock
// on its lock file (fesk.lock) for as long as it runs; replacing the data
// (a restore, a copy with --replace) takes the lock alone, so it knows that no
// other fesk has the files open, and no fesk opens them until it is done. The
// locks are the system's (flock): a process that ends, however it ends, lets
// go of its lock, so no stale lock is ever left behind.

#include <filesystem>
#include <string>

namespace fesk::sqlite {

class DataDirectoryLock {
 public:
  DataDirectoryLock() = default;
  ~DataDirectoryLock();
  DataDirectoryLock(DataDirectoryLock&& other) noexcept;
  DataDirectoryLock& operator=(DataDirectoryLock&& other) noexcept;

  // Works on the directory alongside other fesk processes; false, with the
  // reason in `why`, while one has it alone. A directory where no lock file
  // can be made (read-only) is used without one; so is one without a lock
  // file when `makeLockFile` is false (a source that is only read: nothing is
  // written into it).
  bool share(const std::filesystem::path& directory, std::string& why, bool makeLockFile = true);
  // Works on the directory alone; false, with the reason, while another fesk
  // uses it.
  bool takeAlone(const std::filesystem::path& directory, std::string& why);

 private:
  void release();

  int descriptor_ = -1;
};

}  // namespace fesk::sqlite
