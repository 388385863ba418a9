#pragma once
// The exit statuses of fesk, for the program and for every command: one table,
// which --help prints and the manual page's EXIT STATUS section repeats word
// for word (a test compares them).

#include <array>
#include <string_view>

namespace fesk {

inline constexpr int kDone = 0;
// The work failed, or was partly refused (bad rows skipped, records refused).
inline constexpr int kCommandFailed = 1;
// The command line, or the data set it names, is wrong.
inline constexpr int kUsageError = 2;
// Stopped by Ctrl+C (or SIGTERM), as shells report it.
inline constexpr int kInterruptedStatus = 130;

struct ExitStatus {
  int status;
  std::string_view meaning;
};

inline constexpr std::array kExitStatuses{
    ExitStatus{kDone,
               "Done: the work is finished, or the program ended, or --help or --version "
               "was given."},
    ExitStatus{kCommandFailed,
               "The work failed or was partly refused (bad rows skipped, records refused), or the "
               "data set is busy or out of reach; every row or record not stored is named. A "
               "command that failed left the data as it was."},
    ExitStatus{kUsageError,
               "The command line or the data set it names is wrong (a data directory or schema "
               "that does not exist, a data directory that is a file or cannot be made), the "
               "front-end cannot start, or a script went wrong; nothing was changed."},
    ExitStatus{kInterruptedStatus, "Stopped with Ctrl+C; the data is as it was."},
};

}  // namespace fesk
