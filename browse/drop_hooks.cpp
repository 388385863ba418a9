#include "browse/drop_hooks.h"

#include <cstring>

#include "browse/browse_registry.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/windows.h"

namespace fesk {

apprt::Queue<DropHook> DropHooks;
apprt::Queue<ComboHook> ComboHooks;
apprt::Queue<ListHook> ListHooks;
DropDownState DropDown;

namespace {

bool hasClass(int handle, const char* name) {
  char buffer[20];
  apprt::className(handle, buffer, sizeof buffer);
  return std::strcmp(buffer, name) == 0;
}

bool droppedDown(int32_t field) {
  return KX_BrowseProp(static_cast<int16_t>(field), kBrowseDroppedDown, 0, true) > 0;
}

void setDroppedDown(int32_t field, bool open) {
  KX_BrowseProp(static_cast<int16_t>(field), kBrowseDroppedDown, open ? 1 : 0, false);
}

void post(int event, int32_t field) {
  apprt::POST(event, field);
}

// The scroll event that a pending scroll-bar action stands for; 0 for none
// (thumb tracking moves nothing until the thumb is released).
int scrollEventOf(uint8_t pending) {
  if (pending == kNoPendingScroll) return 0;
  switch (pending - 1) {
    case apprt::kScrollLineUp:
      return apprt::kEventScrollUp;
    case apprt::kScrollLineDown:
      return apprt::kEventScrollDown;
    case apprt::kScrollPageUp:
      return apprt::kEventPageUp;
    case apprt::kScrollPageDown:
      return apprt::kEventPageDown;
    case apprt::kScrollThumbPosition:
      return apprt::kEventScrollDrag;
    default:
      return 0;
  }
}

// Closes the list of the combo `handle` on its own behalf (Enter, Tab, the list
// dismissed or left); `otherKey` when a key other than those closed it.
void closeUp(int handle, int32_t field, bool otherKey) {
  setDroppedDown(field, false);
  apprt::postMessage(handle, KXM_CLOSEUP, otherKey ? 1 : 0, 0);
}

// Handles a key going down in an open or closed drop-down browse; answers the
// key to pass on (another key closing the list goes on as Escape).
uintptr_t comboKeyDown(int handle, int32_t field, uintptr_t key) {
  switch (key) {
    case apprt::kKeyEsc:
      DropDown.EscapePressed = 1;
      post(kEventDropEscapePressed, field);
      return key;
    case apprt::kKeyPgUp:
      post(DropDown.CtrlDown ? apprt::kEventScrollTop : apprt::kEventPageUp, field);
      return key;
    case apprt::kKeyPgDn:
      post(DropDown.CtrlDown ? apprt::kEventScrollBottom : apprt::kEventPageDown, field);
      return key;
    case apprt::kKeyUp:
      post(apprt::kEventScrollUp, field);
      return key;
    case apprt::kKeyDown:
      post(apprt::kEventScrollDown, field);
      return key;
    case apprt::kKeyCtrl:
      DropDown.CtrlDown = 1;
      return key;
    case apprt::kKeyShift:
      return key;
    case apprt::kKeyEnter:
    case apprt::kKeyTab:
      closeUp(handle, field, false);
      return key;
    default:
      if (!droppedDown(field)) return key;
      closeUp(handle, field, true);
      return apprt::kKeyEsc;
  }
}

void startTimer(int handle) {
  DropDown.CtrlDown = 0;
  // A stale Escape (pressed while the list was closed) must not swallow the
  // close-up notice of the list that opens now.
  DropDown.EscapePressed = 0;
  ComboHooks.buffer.TIMER =
      static_cast<uint16_t>(apprt::setTimer(handle, kDropTimerId, kDropTimerPeriodMs));
  ComboHooks.put();
}

void stopTimerAndNotify(int handle, int32_t field, uintptr_t wParam) {
  DropDown.CtrlDown = 0;
  apprt::killTimer(handle, ComboHooks.buffer.TIMER);
  ComboHooks.buffer.TIMER = 0;
  ComboHooks.put();
  apprt::UPDATE(field);
  if (wParam == 0 && !DropDown.EscapePressed) {
    post(kEventDropClosed, field);
  } else {
    DropDown.EscapePressed = 0;
  }
}

}  // namespace

intptr_t KX_ListProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  ListHooks.buffer.HWND = handle;
  if (!ListHooks.getByKey(&ListHook::HWND)) return 0;
  const apprt::WindowProc next = ListHooks.buffer.RETURNADDR;
  if (msg == apprt::kMsgVScroll) {
    const uintptr_t code = wParam & 0xFFFF;
    if (code <= apprt::kScrollThumbTrack) DropDown.PendingScroll = static_cast<uint8_t>(code + 1);
  } else if (msg == apprt::kMsgNcDestroy) {
    ListHooks.remove();
  }
  return apprt::callWindowProc(next, handle, msg, wParam, lParam);
}

intptr_t KX_DropProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  DropHooks.buffer.HWND = handle;
  if (!DropHooks.getByKey(&DropHook::HWND)) return 0;
  const DropHook hook = DropHooks.buffer;
  switch (msg) {
    case apprt::kMsgGetDlgCode:
    case KXM_TOGGLE:
      if (!droppedDown(hook.COMBOFLD)) {
        setDroppedDown(hook.COMBOFLD, true);
        apprt::postMessage(hook.HCOMBO, KXM_DROPDOWN, 0, 0);
        post(apprt::kEventDroppedDown, hook.COMBOFLD);
        DropDown.PendingScroll = kNoPendingScroll;
      } else {
        setDroppedDown(hook.COMBOFLD, false);
        apprt::postMessage(hook.HCOMBO, KXM_CLOSEUP, 0, 0);
      }
      break;
    case apprt::kMsgKeyDown:
      if ((wParam == apprt::kKeyPgUp || wParam == apprt::kKeyPgDn || wParam == apprt::kKeyUp ||
           wParam == apprt::kKeyDown) &&
          !droppedDown(hook.COMBOFLD))
        apprt::postMessage(handle, KXM_TOGGLE, 0, 0);
      break;
    case apprt::kMsgDropButtonReleased:
      apprt::postMessage(handle, apprt::kMsgDropCloseRequest, 0, 0);
      break;
    case apprt::kMsgDropCloseRequest:
      if (droppedDown(hook.COMBOFLD)) {
        setDroppedDown(hook.COMBOFLD, false);
        apprt::postMessage(hook.HCOMBO, KXM_CLOSEUP, 0, 0);
      }
      break;
    case apprt::kMsgNcDestroy:
      DropHooks.remove();
      break;
    default:
      break;
  }
  return apprt::callWindowProc(hook.RETURNADDR, handle, msg, wParam, lParam);
}

intptr_t KX_ComboProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  ComboHooks.buffer.HWND = handle;
  if (!ComboHooks.getByKey(&ComboHook::HWND)) {
    apprt::beep();
    return 0;
  }
  const apprt::WindowProc next = ComboHooks.buffer.RETURNADDR;
  const int32_t field = ComboHooks.buffer.COMBOFLD;
  switch (msg) {
    case apprt::kMsgDropListScrolled:
      if (int event = scrollEventOf(DropDown.PendingScroll)) post(event, field);
      DropDown.PendingScroll = kNoPendingScroll;
      break;
    case apprt::kMsgKeyDown:
      wParam = comboKeyDown(handle, field, wParam);
      break;
    case apprt::kMsgKeyUp:
      if (wParam == apprt::kKeyCtrl) DropDown.CtrlDown = 0;
      break;
    case apprt::kMsgDropListLostFocus:
    case apprt::kMsgDropListDismissed:
      if (droppedDown(field)) {
        closeUp(handle, field, false);
        apprt::postMessage(handle, apprt::kMsgPaint, 0, 0);
      }
      break;
    case KXM_DROPDOWN:
      startTimer(handle);
      break;
    case KXM_CLOSEUP:
      stopTimerAndNotify(handle, field, wParam);
      break;
    case apprt::kMsgNcDestroy:
      ComboHooks.remove();
      break;
    default:
      break;
  }
  return apprt::callWindowProc(next, handle, msg, wParam, lParam);
}

int KX_HookListWindow(int handle, intptr_t) {
  if (!hasClass(handle, "AppList")) return 1;
  ListHooks.buffer.HWND = handle;
  if (ListHooks.getByKey(&ListHook::HWND)) return 1;
  ListHooks.buffer.HWND = handle;
  ListHooks.buffer.RETURNADDR = apprt::setWindowProc(handle, KX_ListProc);
  ListHooks.addByKey(&ListHook::HWND);
  return 1;
}

int KX_HookDropButton(int handle, intptr_t field) {
  if (!hasClass(handle, "AppDrop")) return 1;
  DropHooks.buffer.HWND = handle;
  if (DropHooks.getByKey(&DropHook::HWND)) return 0;
  DropHook& hook = DropHooks.buffer;
  hook.HWND = handle;
  hook.RETURNADDR = apprt::setWindowProc(handle, KX_DropProc);
  hook.COMBOFLD = static_cast<int32_t>(field);
  hook.HCOMBO = static_cast<int32_t>(apprt::getProp(static_cast<int>(field), apprt::kPropHandle));
  DropHooks.addByKey(&DropHook::HWND);
  return 0;
}

void KX_HookDropCombo(int16_t field) {
  const auto combo = static_cast<int32_t>(apprt::getProp(field, apprt::kPropHandle));
  ComboHooks.buffer.HWND = combo;
  if (ComboHooks.getByKey(&ComboHook::HWND)) return;
  apprt::enumTopLevelWindows(KX_HookListWindow, 0);
  apprt::enumChildWindows(combo, KX_HookDropButton, field);
  ComboHook& hook = ComboHooks.buffer;
  hook = ComboHook{};
  hook.HWND = combo;
  hook.RETURNADDR = apprt::setWindowProc(combo, KX_ComboProc);
  hook.COMBOFLD = field;
  ComboHooks.addByKey(&ComboHook::HWND);
}

}  // namespace fesk
