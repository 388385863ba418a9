#include "browse/window_hooks.h"

#include "browse/browse_registry.h"
#include "runtime/frontend/constants.h"

namespace fesk {

apprt::Queue<WindowHook> WindowHooks;

namespace {

// Deletes every browse whose list lies in `window`; the registry is ordered
// by window meanwhile and by list handle again afterwards.
void forgetBrowsesOf(int32_t window) {
  BrowseRegistry.sortBy(&BrowseBlock::WINHNDL);
  for (;;) {
    BrowseRegistry.buffer.WINHNDL = window;
    if (!BrowseRegistry.getByKey(&BrowseBlock::WINHNDL)) break;
    BrowseRegistry.remove();
  }
  BrowseRegistry.sortBy(&BrowseBlock::BRWHNDL);
}

}  // namespace

intptr_t KX_WindowProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  WindowHooks.buffer.HWND = handle;
  if (!WindowHooks.getByKey(&WindowHook::HWND)) return 0;
  const apprt::WindowProc next = WindowHooks.buffer.RETURNADDR;
  if (msg == apprt::kMsgNcDestroy) {
    forgetBrowsesOf(handle);
    WindowHooks.remove();
  }
  return apprt::callWindowProc(next, handle, msg, wParam, lParam);
}

void hookBrowseWindow(int32_t window) {
  WindowHooks.buffer.HWND = window;
  if (WindowHooks.getByKey(&WindowHook::HWND)) return;
  WindowHooks.buffer.RETURNADDR = apprt::setWindowProc(window, KX_WindowProc);
  WindowHooks.addByKey(&WindowHook::HWND);
}

}  // namespace fesk
