// The edit lock. The edit's variables are single objects for the whole
// program, so a second window's edit must not start while one runs. Threads
// take turns under the program lock; the waiting thread lets go of it, so the
// edit that runs (and every other window) keeps going meanwhile.

#include <condition_variable>
#include <mutex>

#include "browse/inline_edit_steps.h"
#include "runtime/program.h"

namespace fesk::inline_edit {
namespace {

std::mutex lockGuard;
std::condition_variable lockFreed;
int lockOwner = 0;  // runtime thread number; 0 when no edit runs

}  // namespace

void takeEditLock() {
  const int me = apprt::THREAD();
  for (;;) {
    {
      std::lock_guard held(lockGuard);
      if (lockOwner == 0 || lockOwner == me) {
        lockOwner = me;
        return;
      }
    }
    apprt::UnlockedWait unlocked;
    std::unique_lock waiting(lockGuard);
    lockFreed.wait(waiting, [] { return lockOwner == 0; });
  }
}

void releaseEditLock() {
  {
    std::lock_guard held(lockGuard);
    if (lockOwner != apprt::THREAD()) return;
    lockOwner = 0;
  }
  lockFreed.notify_all();
}

}  // namespace fesk::inline_edit
