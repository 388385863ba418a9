#pragma once
// The check of a large file's pages after an unclean end, run beside the
// user's work instead of before it: reading every page of a file of ten
// million records takes seconds, and the first page must show at once.
// Reads go on while it runs; writes to the file wait until it is over, so
// that nothing is written to a file that turns out damaged. Damage it finds
// is remembered (open_markers.h: the file then takes no more writes and its
// next open checks it again, offering what that check offers), and the next
// read of the file by any thread reports it, as damage met by a read is.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "runtime/driver.h"

namespace fesk::sqlite {

class BackgroundChecks {
 public:
  static BackgroundChecks& forThisProcess();

  // Starts checking the file at `path` in a thread of its own, unless a
  // check of it is under way.
  void start(const std::filesystem::path& path, const apprt::FileDeclaration& file);
  // Waits until no check of `path` is under way.
  void waitFor(const std::filesystem::path& path);
  // Whether a check found damage that was not reported yet, in any file.
  bool foundUnreported() const { return unreported_.load(std::memory_order_relaxed) != 0; }
  // Damage a check found in `path` that was not reported yet: answered once, as 47.
  apprt::DriverStatus takeDamageFound(const std::filesystem::path& path);

 private:
  struct Check {
    bool running = false;
    std::string damage;  // what the check found, until reported
  };
  // The checks of this process (a forked child starts with none of its own).
  std::map<std::filesystem::path, Check>& checks();
  void finished(const std::filesystem::path& path, const apprt::DriverStatus& verdict);

  std::mutex mutex_;
  std::condition_variable over_;
  pid_t pid_ = 0;
  std::map<std::filesystem::path, Check> checks_;
  std::atomic<int> unreported_ = 0;  // lets reads skip the lock while nothing was found
};

}  // namespace fesk::sqlite
