#pragma once
// The window hook of the browse library: a window that holds registered
// browses gets KX_WindowProc, which removes the window's browses from the
// registry when the window is destroyed and passes every message on.

#include <cstdint>

#include "runtime/windows/message_layer.h"
#include "runtime/windows/queue.h"

namespace fesk {

struct WindowHook {
  int32_t HWND = 0;                        // the hooked window (the key)
  apprt::WindowProc RETURNADDR = nullptr;  // the procedure the hook replaced
};

// One entry per window that holds at least one registered browse.
extern apprt::Queue<WindowHook> WindowHooks;

intptr_t KX_WindowProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// Installs KX_WindowProc on `window` unless it is hooked already.
void hookBrowseWindow(int32_t window);

}  // namespace fesk
