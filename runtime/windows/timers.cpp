// Timers of the message layer: each belongs to the thread that owns its
// handle, which fires them while it waits for messages.

#include <algorithm>
#include <chrono>

#include "runtime/threads/procedure_thread.h"
#include "runtime/windows/message_layer.h"
#include "runtime/windows/window_model.h"

namespace apprt {

int setTimer(int handle, int id, int periodMs) {
  ProcedureThread* t = currentThread();
  if (!t || ownerThread(handle) != t->number) return 0;
  auto period = std::chrono::milliseconds(std::max(periodMs, 1));
  killTimer(handle, id);
  t->timers.push_back(Timer{handle, id, period, std::chrono::steady_clock::now() + period});
  return id;
}

bool killTimer(int handle, int id) {
  ProcedureThread* t = currentThread();
  if (!t) return false;
  return std::erase_if(t->timers,
                       [&](const Timer& x) { return x.handle == handle && x.id == id; }) > 0;
}

void killTimers(int handle) {
  if (ProcedureThread* t = currentThread())
    std::erase_if(t->timers, [&](const Timer& timer) { return timer.handle == handle; });
}

}  // namespace apprt
