// Drop-down lists: their drop button opens and closes the open list, which
// the runtime keeps as the control's droppedDown state.

#include "runtime/windows/gestures.h"
#include "runtime/windows/windows.h"

namespace apprt {
namespace {

bool isNavigationKey(int key) {
  return key == kKeyUp || key == kKeyDown || key == kKeyPgUp || key == kKeyPgDn;
}

}  // namespace

bool isDropDown(const Control& c) {
  return c.def.kind == ControlKind::DropList || c.def.kind == ControlKind::DropCombo;
}

bool dropKey(Control& c, int key) {
  if (key == kKeyCtrl || key == kKeyShift) return true;
  if (!c.droppedDown) {
    if (!isNavigationKey(key)) return false;
    sendMessage(c.dropButton, kMsgKeyDown, static_cast<uintptr_t>(key), 0);
    return true;
  }
  if (key == kKeyTab || key == kKeyShiftTab) {
    closeDropList(c, kMsgDropListDismissed);
    return false;
  }
  if (key == kKeyEsc || key == kKeyEnter) closeDropList(c, kMsgDropListDismissed);
  return true;
}

void dropPartMessage(Control& combo, int part, uint32_t msg, uintptr_t wParam) {
  if (part == combo.dropList) {
    // The open list's thumb, released, is where the browse places its page.
    if (msg == kMsgVScroll && static_cast<int>(wParam & 0xFFFF) == kScrollThumbPosition)
      combo.thumb = thumbWithin(static_cast<long>((wParam >> 16) & 0xFFFF));
    return;
  }
  switch (msg) {
    case kMsgGetDlgCode:
      combo.droppedDown = !combo.droppedDown;
      return;
    case kMsgKeyDown:
      if (isNavigationKey(static_cast<int>(wParam))) combo.droppedDown = true;
      return;
    case kMsgDropButtonReleased:
    case kMsgDropCloseRequest:
      combo.droppedDown = false;
      return;
    default:
      return;
  }
}

Control* dropPartOwner(Window& w, int handle) {
  for (auto& c : w.controls)
    if (c.dropButton == handle || c.dropList == handle) return &c;
  return nullptr;
}

void closeDropList(Control& c, uint32_t notice) {
  if (!c.droppedDown) return;
  c.droppedDown = false;
  sendMessage(c.handle, notice, 0, 0);
}

}  // namespace apprt
