#include "runtime/windows/work_stop.h"

#include "runtime/threads/procedure_thread.h"
#include "runtime/windows/window_model.h"

namespace apprt {

bool stopWorkByKey(const Input& input) {
  if (input.kind != Input::Kind::Key || input.code != kKeyEsc) return false;
  auto thread = findThread(ownerThread(input.window));
  if (!thread || thread->workReported == 0) return false;
  thread->stopTyped = true;
  return true;
}

void workBegins() {
  if (ProcedureThread* thread = currentThread()) ++thread->workReported;
}

void workEnds() {
  ProcedureThread* thread = currentThread();
  // The stop asked of work that ended is not carried to the next.
  if (thread && --thread->workReported == 0) thread->stopTyped = false;
}

bool workStopTyped() {
  ProcedureThread* thread = currentThread();
  return thread && thread->stopTyped;
}

}  // namespace apprt
