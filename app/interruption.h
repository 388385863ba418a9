#pragma once
// Ctrl+C during long work (an import, an export, a copy). While a guard
// lives, the first Ctrl+C (SIGINT) or SIGTERM only asks the work to stop: it
// looks at interrupted() between pages and then undoes what it did, so no
// half of it is left. A second signal ends the program at once; the data
// files' own journals undo an unfinished transaction then.

#include "app/exit_status.h"

namespace fesk {

class InterruptionGuard {
 public:
  InterruptionGuard();
  ~InterruptionGuard();
  InterruptionGuard(const InterruptionGuard&) = delete;
  InterruptionGuard& operator=(const InterruptionGuard&) = delete;

  static bool interrupted();
};

}  // namespace fesk
