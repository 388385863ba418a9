// The edit lock. The edit's variables are single objects for the whole
// program, so a second window's edit must not start while one runs. The lock
// is taken and given back under the program lock; a thread that waits for it
// lets go of the program lock and keeps handling its messages, so the edit
// that runs, and every window, goes on meanwhile.

#include "browse/inline_edit_steps.h"
#include "runtime/threads/program.h"
#include "runtime/threads/turn_wait.h"

namespace fesk::inline_edit {
namespace {

int lockOwner = 0;  // runtime thread number; 0 when no edit runs

}  // namespace

void takeEditLock() {
  const int me = apprt::THREAD();
  apprt::waitForTurn([me] { return lockOwner == 0 || lockOwner == me; });
  lockOwner = me;
}

void releaseEditLock() {
  if (lockOwner != apprt::THREAD()) return;
  lockOwner = 0;
  apprt::wakeWaitingThreads();
}

}  // namespace fesk::inline_edit
