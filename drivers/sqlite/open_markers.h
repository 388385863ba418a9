#pragma once
// Marks on disk which processes have a database file open: FESK1.sqlite-open-
// HOST-PID stands beside FESK1.sqlite from this process's first open of the
// file to its last close. A marker of this host whose process no longer runs
// tells that a process ended without closing the file (killed, crashed, or the
// power failed), so the next open checks the file's pages, beside the first
// reads when the file is large. A process that meets damage in a file says so
// in its marker ("damaged") and keeps it when it closes the file: every later
// open, by any process, checks the whole file before using it, until a check
// finds it sound; the markers of ended processes that were there before are
// then taken away, their call for a check carried by that one. Markers of
// other hosts sharing the directory are left alone: whether their process
// still runs cannot be told from here.

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

class OpenMarkers {
 public:
  static OpenMarkers& forThisProcess();

  void opened(const std::filesystem::path& database);
  void closed(const std::filesystem::path& database);
  // Damage was found in the file: `damage` (46 or 47) is answered to every
  // write of this process from now on.
  void damageFound(const std::filesystem::path& database, const apprt::DriverStatus& damage);
  // The damage found in the file by this process (0 when none).
  apprt::DriverStatus knownDamage(const std::filesystem::path& database);
  // Whether a process of this host other than this one has the file open.
  bool openInOtherProcesses(const std::filesystem::path& database);
  // Whether this process has the file open.
  bool openHere(const std::filesystem::path& database);
  // Whether the whole file must be checked before it is used: a process met
  // damage in it.
  bool damageMarked(const std::filesystem::path& database);
  // Whether a process ended with the file open.
  bool uncleanEndMarked(const std::filesystem::path& database);
  // A check found the file sound: what asked for the check goes.
  void foundSound(const std::filesystem::path& database);
  // The file at the name was replaced by the records saved from it, while
  // this process may still have the damaged one open: the new file is sound,
  // and what was opened before is of an earlier generation (nothing more is
  // written through it).
  void replaced(const std::filesystem::path& database);
  // Counts the replacements of the file at the name in this process.
  int generation(const std::filesystem::path& database);

 private:
  struct Use {
    int opens = 0;
    apprt::DriverStatus damage;
    int generation = 0;
  };
  // The uses of this process (a forked child starts with none of its own).
  std::map<std::filesystem::path, Use>& uses();

  std::mutex mutex_;
  pid_t pid_ = 0;
  std::map<std::filesystem::path, Use> uses_;
};

}  // namespace fesk::sqlite
