// Input from a front-end, routed as messages through the window procedures
// of the controls it is meant for.

#include <algorithm>
#include <utility>

#include "runtime/windows/gestures.h"
#include "runtime/windows/windows.h"
#include "runtime/windows/work_stop.h"

namespace apprt {
namespace {

// The input whose messages are being sent. What it typed (a character, an
// entry's new text) is read from here by the runtime's own procedure rather
// than passed through lParam, which window procedures pass on as a number.
thread_local const Input* tRoutedInput = nullptr;

}  // namespace

const std::string& routedText() {
  static const std::string none;
  return tRoutedInput ? tRoutedInput->text : none;
}

namespace {

// Sends the input through the window procedure of the control it is meant
// for: keys go to the focused control, the rest to the control named.
void routeInput(const Input& input) {
  Window* w = findWindow(input.window);
  if (!w) return;
  int target = w->handle;
  if (input.kind == Input::Kind::Key || input.kind == Input::Kind::KeyUp) {
    // Keys go to the focused control while it can take them, else to the
    // window, so that Esc and Tab always work.
    Control* c = w->control(w->focus);
    if (c && c->handle && isFocusable(*w, *c)) target = c->handle;
  } else if (input.kind != Input::Kind::Menu && input.field != 0) {
    Control* c = w->control(input.field);
    if (!c || !c->handle) return;
    target = c->handle;
  }
  Control* drop = input.field ? w->control(input.field) : w->control(w->focus);
  struct Routing {
    const Input* outer;
    explicit Routing(const Input& input) : outer(std::exchange(tRoutedInput, &input)) {}
    ~Routing() { tRoutedInput = outer; }
  } routing(input);
  if (drop && (!isDropDown(*drop) || drop->handle != target)) drop = nullptr;
  switch (input.kind) {
    case Input::Kind::Key:
      if (drop && (input.code == kCtrl + kKeyPgUp || input.code == kCtrl + kKeyPgDn)) {
        // The open list sees Ctrl held around the page key.
        sendMessage(target, kMsgKeyDown, kKeyCtrl, 0);
        sendMessage(target, kMsgKeyDown, input.code - kCtrl, 0);
        sendMessage(target, kMsgKeyUp, kKeyCtrl, 0);
        break;
      }
      sendMessage(target, kMsgKeyDown, input.code, 0);
      break;
    case Input::Kind::Drop:
      if (!drop) break;
      sendMessage(target, kMsgClick, kKeyMouseLeft, 0);
      sendMessage(drop->dropButton, kMsgGetDlgCode, 0, 0);
      break;
    case Input::Kind::KeyUp:
      sendMessage(target, kMsgKeyUp, input.code, 0);
      break;
    case Input::Kind::Click:
      sendMessage(target, kMsgClick, input.mouse, 0);
      break;
    case Input::Kind::Text:
      sendMessage(target, kMsgSetText, 0, 0);
      break;
    case Input::Kind::Row:
      sendMessage(target, kMsgChooseRow, input.row, input.mouse);
      // Releasing the mouse on a row of an open list picks it and closes the list.
      if (drop && drop->droppedDown) sendMessage(drop->dropButton, kMsgDropButtonReleased, 0, 0);
      break;
    case Input::Kind::Tab:
      sendMessage(target, kMsgChooseTab, input.tab, 0);
      break;
    case Input::Kind::Scroll: {
      const uintptr_t wParam =
          (static_cast<uintptr_t>(input.thumb) << 16) | (input.scroll & 0xFFFF);
      if (drop && drop->droppedDown) {
        // An open list's own scroll bar: the list window hears of the action,
        // then the control that its list was scrolled.
        sendMessage(drop->dropList, kMsgVScroll, wParam, 0);
        sendMessage(drop->handle, kMsgDropListScrolled, 0, 0);
        break;
      }
      sendMessage(target, kMsgVScroll, wParam, 0);
      break;
    }
    case Input::Kind::Wheel:
      sendMessage(target, kMsgWheel, input.up ? 1 : 0, 0);
      break;
    case Input::Kind::Activate:
      sendMessage(target, kMsgActivate, 0, 0);
      break;
    case Input::Kind::Close:
      sendMessage(target, kMsgClose, input.unasked ? 1 : 0, 0);
      break;
    case Input::Kind::Resize:
      sendMessage(target, kMsgResize, static_cast<uintptr_t>(std::max(0, input.width)),
                  std::max(0, input.height));
      break;
    case Input::Kind::Menu:
      sendMessage(target, kMsgMenu, input.field, 0);
      break;
  }
}

}  // namespace

void dispatchMessage(const Message& m) {
  if (m.input) {
    routeInput(*m.input);
    return;
  }
  sendMessage(m.handle, m.msg, m.wParam, m.lParam);
}

void deliverInput(const Input& input) {
  if (stopWorkByKey(input)) return;
  Message m;
  m.handle = input.window;
  m.input = input;
  postToOwner(std::move(m));
}

}  // namespace apprt
