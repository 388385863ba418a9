// Messages through window procedures: sent now, or posted to the thread that
// owns the handle; and the walks over the handles that procedures make.

#include "runtime/windows/message_layer.h"

#include <algorithm>
#include <cstring>

#include "runtime/threads/procedure_thread.h"
#include "runtime/windows/window_model.h"

namespace apprt {

intptr_t callWindowProc(WindowProc proc, int handle, uint32_t msg, uintptr_t wParam,
                        intptr_t lParam) {
  return proc ? proc(handle, msg, wParam, lParam) : 0;
}

intptr_t sendMessage(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return callWindowProc(windowProc(handle), handle, msg, wParam, lParam);
}

bool postMessage(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return postToOwner(Message{handle, msg, wParam, lParam, std::nullopt});
}

bool postToOwner(Message message) {
  const int owner = ownerThread(message.handle);
  return postToThread(owner, std::move(message));
}

// Top-level windows are the children of no handle.
void enumTopLevelWindows(EnumProc proc, intptr_t lParam) {
  enumChildWindows(0, proc, lParam);
}

void enumChildWindows(int parent, EnumProc proc, intptr_t lParam) {
  for (int h : childHandles(parent))
    if (!proc(h, lParam)) return;
}

int className(int handle, char* buffer, int size) {
  if (size <= 0) return 0;
  std::string name = className(handle);
  int n = std::min(static_cast<int>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace apprt
