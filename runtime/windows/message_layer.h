#pragma once
// The message layer beneath the event model. Every window and control has a
// handle, a class name and a window procedure. Input reaches a control as a
// message through its current window procedure; the runtime's own procedure at
// the end of the chain turns messages into events. A library can replace a
// window's procedure to watch its messages, and pass each one on by calling
// the procedure it replaced.
//
// Which user gesture sends which message:
//   key pressed / released in a control   kMsgKeyDown / kMsgKeyUp (wParam: key code)
//   text typed into an entry              kMsgSetText
// The character a kKeyCharacter typed and an entry's new text travel with the
// input that is being routed, not in lParam.
//   mouse click on a control              kMsgClick (wParam: mouse key code)
//   list row clicked / double-clicked     kMsgChooseRow (wParam: row, lParam: 1 or 5)
//   sheet tab chosen                      kMsgChooseTab (wParam: tab)
//   mouse wheel over a list               kMsgWheel (wParam: 1 up, 0 down)
//   list scroll bar used                  kMsgVScroll (low word: scroll code, high word: thumb)
//   window activated / closed / resized   kMsgActivate / kMsgClose / kMsgResize, to the window
//   menu item chosen                      kMsgMenu to the frame (wParam: item field number)
//   an event posted from another thread   kMsgPostEvent (wParam: event, lParam: field)
//   window destroyed                      kMsgNcDestroy to each control, then to the window
// Drop-down lists (control types 15 and 34) add a child drop button of class
// "AppDrop" and show their open list in a top-level window of class "AppList".
// What their gestures send (the control is focused):
//   drop button pressed                   kMsgClick to the control, then
//                                         kMsgGetDlgCode to the drop button (opens / closes)
//   Up, Down, PgUp, PgDn, list closed     kMsgKeyDown to the control, then to the drop
//                                         button (opens the list)
//   Ctrl+PgUp / Ctrl+PgDn                 kMsgKeyDown kKeyCtrl, kMsgKeyDown PgUp / PgDn,
//                                         kMsgKeyUp kKeyCtrl, all to the control
//   open list's scroll bar used           kMsgVScroll to the "AppList" window, then
//                                         kMsgDropListScrolled to the control
//   row of the open list clicked          kMsgChooseRow to the control, then
//                                         kMsgDropButtonReleased to the drop button (closes)
//   Escape or Enter, list open            kMsgKeyDown to the control; the list closes and
//                                         kMsgDropListDismissed goes to the control
//   Tab, list open                        as Escape, then the focus moves on
//   focus moved off an open list          kMsgDropListLostFocus to the control
// kMsgDropCloseRequest to the drop button closes the list; nothing in the
// runtime sends it. Other keys reach an open list's control and do nothing there.

#include <cstdint>
#include <string>

namespace apprt {

using WindowProc = intptr_t (*)(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// Installs proc as the window procedure of handle; answers the replaced one
// (nullptr for an unknown handle).
WindowProc setWindowProc(int handle, WindowProc proc);
WindowProc windowProc(int handle);
intptr_t callWindowProc(WindowProc proc, int handle, uint32_t msg, uintptr_t wParam,
                        intptr_t lParam);
// Sends a message through handle's current procedure now (owner thread only).
intptr_t sendMessage(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// Queues a message for handle's owner thread; false for an unknown handle.
bool postMessage(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// Timers post kMsgTimer (wParam: id) to handle every periodMs. A timer that
// is already due is not queued twice. setTimer answers id (0 on failure).
int setTimer(int handle, int id, int periodMs);
bool killTimer(int handle, int id);

using EnumProc = int (*)(int handle, intptr_t lParam);  // non-zero: go on
void enumTopLevelWindows(EnumProc proc, intptr_t lParam);
void enumChildWindows(int parent, EnumProc proc, intptr_t lParam);
// Copies the class name into buffer (at most size-1 characters, zero-ended);
// answers the length copied.
int className(int handle, char* buffer, int size);
std::string className(int handle);
bool isWindowHandle(int handle);

// The procedure at the end of every chain: the runtime's own.
intptr_t runtimeWindowProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam);

}  // namespace apprt
