#pragma once
// The check of a large file's pages after an unclean end, run beside the
// user's work instead of before it: reading every page of a file of ten
// million records takes seconds, and the first page must show at once. The
// check starts when the thread that opened the file first waits (its first
// page is then shown) or closes it, or at once when a write to the file comes
// first. Reads go on while it runs; writes to the file wait until it is over,
// so that nothing is written to a file that turns out damaged. Damage it
// finds is remembered (open_markers.h: the file then takes no more writes and
// its next open checks it again, offering what that check offers), and the
// next read of the file by any thread reports it, as damage met by a read is.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

class BackgroundChecks {
 public:
  static BackgroundChecks& forThisProcess();

  // Has the file at `path` checked, unless a check of it is due or under way.
  void schedule(const std::filesystem::path& path, const apprt::FileDeclaration& file);
  // Starts the checks the calling thread scheduled.
  void startScheduledHere();
  // Starts the check of `path` if it is due, and waits until it is over.
  void waitFor(const std::filesystem::path& path);
  // Whether a check found damage that was not reported yet, in any file.
  bool foundUnreported() const { return unreported_.load(std::memory_order_relaxed) != 0; }
  // Damage a check found in `path` that was not reported yet: answered once,
  // as the check told it (46 or 47).
  apprt::DriverStatus takeDamageFound(const std::filesystem::path& path);

 private:
  struct Check {
    const apprt::FileDeclaration* due = nullptr;  // scheduled, not started
    std::thread::id scheduledBy;                  // the thread that opened the file
    bool running = false;
    apprt::DriverStatus damage;  // what the check found, until reported
  };
  // The checks of this process (a forked child starts with none of its own).
  std::map<std::filesystem::path, Check>& checks();
  // With the lock held: starts the check of `path` when it is due.
  void startWhenDue(const std::filesystem::path& path, Check& check);
  void finished(const std::filesystem::path& path, const apprt::DriverStatus& verdict);

  std::mutex mutex_;
  std::condition_variable over_;
  pid_t pid_ = 0;
  std::map<std::filesystem::path, Check> checks_;
  std::atomic<int> due_ = 0;         // lets a thread's waits skip the lock while none is due
  std::atomic<int> unreported_ = 0;  // lets reads skip the lock while nothing was found
};

}  // namespace fesk::sqlite
