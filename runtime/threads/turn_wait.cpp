#include "runtime/threads/turn_wait.h"

#include <set>

#include "runtime/threads/procedure_thread.h"
#include "runtime/threads/program.h"
#include "runtime/threads/thread_hooks.h"

namespace apprt {
namespace {

std::set<int> waitingForTurn;  // thread numbers; guarded by the program lock

}  // namespace

void waitForTurn(const std::function<bool()>& myTurn) {
  const int me = currentThread()->number;
  while (!myTurn()) {
    waitingForTurn.insert(me);
    Message m;
    try {
      m = waitForMessage();
    } catch (...) {
      waitingForTurn.erase(me);
      throw;
    }
    waitingForTurn.erase(me);
    // A wake-up is an empty message; anything else is handled as usual.
    if (m.handle != 0 || m.input) threadHooks().handleMessage(m);
  }
}

void wakeWaitingThreads() {
  for (int number : waitingForTurn) wakeThread(number);
}

}  // namespace apprt
