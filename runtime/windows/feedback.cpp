// Feedback to the user from a procedure: the busy cursor, the beep and the
// message box.

#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {

void setBusyCursor(bool busy) {
  Window& w = currentWindow();
  if (w.busy == busy) return;
  w.busy = busy;
  // Shown now: the work it announces keeps the thread from waiting, which is
  // when windows are otherwise sent.
  flushThreadWindows();
}

void beep() {
  whileUnlocked([] { frontEnd().beep(); });
}

int messageBox(const std::string& text, const std::string& title, Icon icon, int buttons,
               int defaultButton) {
  MessageBoxRequest request{newestOpenWindow(), text, title, icon, buttons, defaultButton, {}};
  return whileUnlocked([&] { return frontEnd().messageBox(request); });
}

}  // namespace apprt
