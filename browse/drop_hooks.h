#pragma once
// The drop-down hooks of a browse that lives in a drop-down list control.
// KX_HookDropCombo watches three of the runtime's windows: the control itself
// (KX_ComboProc), its drop button of class "AppDrop" (KX_DropProc) and the
// top-level "AppList" windows that show an open list (KX_ListProc). Together
// they keep DROPPEDDOWN, turn the keys and scroll-bar actions of the open list
// into the browse's scroll events and tell the procedure when the list closes
// (1040) or Escape was pressed (1041). Every hook passes every message on to
// the procedure it replaced; a window missing from its table gets nothing.

#include <cstdint>

#include "runtime/windows/message_layer.h"
#include "runtime/windows/queue.h"

namespace fesk {

// The library's own messages, posted to its hooked windows.
inline constexpr uint32_t KXM_CLOSEUP = 28417;   // wParam 1: closed by another key
inline constexpr uint32_t KXM_DROPDOWN = 28418;  // the list is opening: start the timer
inline constexpr uint32_t KXM_TOGGLE = 28419;    // open when closed, close when open

// Events posted to the combo's field besides the scroll events (kEventScrollUp
// to kEventScrollBottom, and kEventScrollDrag).
inline constexpr int kEventDropClosed = 1040;  // closed without Escape or another key
inline constexpr int kEventDropEscapePressed = 1041;

// The timer that runs while a list is open.
inline constexpr int kDropTimerId = 99;
inline constexpr int kDropTimerPeriodMs = 1;

struct DropHook {
  int32_t HWND = 0;  // the drop button (the key)
  apprt::WindowProc RETURNADDR = nullptr;
  int32_t COMBOFLD = 0;  // the drop-down list control's field
  int32_t HCOMBO = 0;    // and its handle
};

struct ComboHook {
  int32_t HWND = 0;  // the drop-down list control (the key)
  apprt::WindowProc RETURNADDR = nullptr;
  int32_t COMBOFLD = 0;
  uint16_t TIMER = 0;  // the running timer's identifier, 0 when none runs
};

struct ListHook {
  int32_t HWND = 0;  // a top-level "AppList" window (the key)
  apprt::WindowProc RETURNADDR = nullptr;
};

extern apprt::Queue<DropHook> DropHooks;
extern apprt::Queue<ComboHook> ComboHooks;
extern apprt::Queue<ListHook> ListHooks;

// What the hooks keep between messages: one for every drop-down browse, as
// only one list is open at a time.
struct DropDownState {
  // The last scroll-bar action seen on an open list: its scroll code + 1
  // (kScrollLineUp to kScrollThumbTrack), kNoPendingScroll when none is pending.
  uint8_t PendingScroll = 0;
  // Escape was pressed in a drop-down browse; cleared when its list opens or closes.
  uint8_t EscapePressed = 0;
  uint8_t CtrlDown = 0;  // Ctrl is held down in a drop-down browse
};
inline constexpr uint8_t kNoPendingScroll = 0;
extern DropDownState DropDown;

intptr_t KX_ListProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);
intptr_t KX_DropProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);
intptr_t KX_ComboProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// Enumeration callbacks: every "AppList" window gets KX_ListProc (always goes
// on); the first "AppDrop" child of the control gets KX_DropProc (stops there).
int KX_HookListWindow(int handle, intptr_t lParam);
int KX_HookDropButton(int handle, intptr_t field);

// Hooks the drop-down list control `field` of the current window, its drop
// button and the open-list windows; a control that is hooked already is left alone.
void KX_HookDropCombo(int16_t field);

}  // namespace fesk
