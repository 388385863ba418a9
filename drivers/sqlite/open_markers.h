#pragma once
// Marks on disk which processes have a database file open: FESK1.sqlite-open-
// HOST-PID stands beside FESK1.sqlite from this process's first open of the
// file to its last close. A marker of this host whose process no longer runs
// tells that a process ended without closing the file (killed, crashed, or the
// power failed), so the next open checks the file's pages before using it. A
// file in which this process met damage keeps its marker when it is closed,
// so that every later open, by any process, checks it until a check finds it
// sound. Markers of other hosts sharing the directory are left alone: whether
// their process still runs cannot be told from here.

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace fesk::sqlite {

class OpenMarkers {
 public:
  static OpenMarkers& forThisProcess();

  void opened(const std::filesystem::path& database);
  void closed(const std::filesystem::path& database);
  void damageFound(const std::filesystem::path& database);
  bool knownDamaged(const std::filesystem::path& database);
  // Whether a thread of this process or another process of this host has
  // the file open.
  bool openElsewhere(const std::filesystem::path& database);
  // Whether the file must be checked before it is used: a process ended with
  // it open, or this one met damage in it.
  bool checkDue(const std::filesystem::path& database);
  // A check found the file sound: what asked for the check goes.
  void foundSound(const std::filesystem::path& database);

 private:
  struct Use {
    int opens = 0;
    bool damaged = false;
  };
  // The uses of this process (a forked child starts with none of its own).
  std::map<std::filesystem::path, Use>& uses();

  std::mutex mutex_;
  pid_t pid_ = 0;
  std::map<std::filesystem::path, Use> uses_;
};

}  // namespace fesk::sqlite
