#pragma once
// Ctrl+C (SIGINT) and SIGTERM for the commands. They are caught from the
// start of the program, before a command does any work, whatever the shell
// that started it did with them (a script's background job is started with
// Ctrl+C ignored): outside long work a signal ends the program at once, as
// it would uncaught. While a guard lives (an import, an export, a copy), the
// first one only asks the work to stop: it looks at interrupted() between
// pages and then undoes what it did, so no half of it is left. A second
// signal ends the program at once; the data files' own journals undo an
// unfinished transaction then.

#include "app/commands/exit_status.h"

namespace fesk {

// Catches the signals from now on; called first thing by a command's run.
void catchInterruptions();

class InterruptionGuard {
 public:
  InterruptionGuard();
  ~InterruptionGuard();
  InterruptionGuard(const InterruptionGuard&) = delete;
  InterruptionGuard& operator=(const InterruptionGuard&) = delete;

  static bool interrupted();
};

}  // namespace fesk
