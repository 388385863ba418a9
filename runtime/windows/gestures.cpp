// The runtime's own window procedure: what user gestures become. Input from
// the front-end arrives as messages (see message_layer.h) and leaves as events
// in the window's queue, in the order a procedure expects them.

#include "runtime/windows/gestures.h"

#include <string>

#include "runtime/threads/program.h"
#include "runtime/windows/queue.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {

bool isList(const Control& c) {
  return c.def.kind == ControlKind::List || c.def.kind == ControlKind::DropList ||
         c.def.kind == ControlKind::DropCombo;
}

namespace {

void queue(Window& w, int event, int field, int key) {
  queueEvent(w, Event{event, field, key, {}, {}, {}});
}

// A key the procedure handles itself, with the character a kKeyCharacter typed.
void queueAlertKey(Window& w, int field, int key, const std::string& character) {
  queueEvent(w, Event{kEventAlertKey, field, key, {}, {}, {}, character});
}

// A button press: 257 when it was not focused, then 1 only if the button
// still has the focus once the 257 was handled.
void press(Window& w, Control& button, int key) {
  int field = button.def.field;
  int handle = w.handle;
  focusTo(w, field, key, [handle, field, key] {
    Window* win = findWindow(handle);
    if (!win) return;
    queueEvent(*win, Event{kEventAccepted,
                           field,
                           key,
                           [handle, field] {
                             Window* x = findWindow(handle);
                             return x && x->focus == field;
                           },
                           {},
                           {}});
  });
}

// Leaving an entry by key: what it shows must pass its picture, else 26 and
// the focus stays; otherwise the value is taken, 1 is handed out, and the
// focus moves on unless the handler moved it.
void leaveByKey(Window& w, Control& from, int key, Control* to) {
  if (to) {
    focusTo(w, to->def.field, key);
  } else if (from.def.kind == ControlKind::Entry && entryAccepts(w, from, key)) {
    int entry = from.def.field;
    int handle = w.handle;
    queueEvent(
        w,
        Event{kEventAccepted, entry, key, {}, [handle, entry] { takeValue(handle, entry); }, {}});
  }
}

void mnemonic(Window& w, int letter, int key) {
  const Control* marked = controlWithMnemonic(w.controls, letter);
  Control* c = marked ? w.control(marked->def.field) : nullptr;
  if (!c) return;
  switch (c->def.kind) {
    case ControlKind::Prompt: {
      // A prompt never takes the focus: the control after it does.
      Control* next = nextFocusable(w, c->def.field, false);
      if (next) focusTo(w, next->def.field, key);
      return;
    }
    case ControlKind::Button:
      press(w, *c, key);
      return;
    case ControlKind::Tab: {
      Control* sheet = w.control(c->def.parent);
      int tab = tabNumber(w.controls, c->def.parent, c->def.field);
      if (sheet && tab) sendMessage(sheet->handle, kMsgChooseTab, tab, 0);
      return;
    }
    default:
      if (isFocusable(w, *c)) focusTo(w, c->def.field, key);
      return;
  }
}

// The event a key that scrolls a list stands for; 0 for any other key.
int scrollEventOfKey(int key) {
  switch (key) {
    case kKeyUp:
      return kEventScrollUp;
    case kKeyDown:
      return kEventScrollDown;
    case kKeyPgUp:
      return kEventPageUp;
    case kKeyPgDn:
      return kEventPageDown;
    case kCtrl + kKeyPgUp:
    case kCtrl + kKeyHome:
      return kEventScrollTop;
    case kCtrl + kKeyPgDn:
    case kCtrl + kKeyEnd:
      return kEventScrollBottom;
    default:
      return 0;
  }
}

void listKey(Window& w, Control& list, int key, const std::string& character = {}) {
  if (int event = scrollEventOfKey(key))
    queue(w, event, list.def.field, key);
  else
    queueAlertKey(w, list.def.field, key, character);
}

// The list whose selected row an entry is laid over (an in-line edit), if any.
Control* listUnder(Window& w, const Control& entry) {
  const std::string field = std::to_string(entry.def.field);
  for (auto& c : w.controls)
    for (auto& [key, value] : c.columnProps)
      if (key.second == kPropColumnEditField && value == field) return &c;
  return nullptr;
}

void chooseUndoInFrame();

void keyDown(Window& w, int key, const std::string& character) {
  // A focused control that was disabled or hidden meanwhile takes no keys of
  // its own, but the window's keys (Esc, Tab...) still work.
  Control* focused = w.control(w.focus);
  if (focused && !isFocusable(w, *focused)) focused = nullptr;
  if (findLineKey(w, key, character)) return;
  if (w.alerts.count(key)) {
    queueAlertKey(w, w.focus, key, character);
    return;
  }
  if (key == kKeyUndo) {
    chooseUndoInFrame();
    return;
  }
  if (focused && isDropDown(*focused) && dropKey(*focused, key)) return;
  if (key == kKeyEsc || key == kAlt + kKeyF4) {
    queue(w, kEventCloseWindow, 0, key);
    return;
  }
  if (key == kKeyTab || key == kKeyShiftTab) {
    Control* to = nextFocusable(w, w.focus, key == kKeyShiftTab);
    if (focused)
      leaveByKey(w, *focused, key, to);
    else if (to)
      moveFocus(w, to->def.field, key);
    return;
  }
  if (key == kKeyF1) {
    frontEnd().help(w.def.help);
    return;
  }
  if ((key & kAlt) && !(key & kCtrl)) {
    int letter = key & 0xFF;
    if ((letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9'))
      mnemonic(w, letter, key);
    return;
  }
  if (!focused) return;
  if (isList(*focused)) {
    listKey(w, *focused, key, character);
    return;
  }
  switch (focused->def.kind) {
    case ControlKind::Entry:
      if (key == kKeyEnter) leaveByKey(w, *focused, key, nextFocusable(w, w.focus, false));
      // The keys that scroll a list, typed in an entry over its row, still
      // reach the list, whose editor then keeps the row in place.
      else if (Control* list = listUnder(w, *focused); list && scrollEventOfKey(key))
        listKey(w, *list, key);
      return;
    case ControlKind::Button:
      if (key == kKeyEnter || key == kKeySpace) press(w, *focused, key);
      return;
    case ControlKind::Sheet:
      if (key == kKeyLeft || key == kKeyRight) {
        int next = focused->choice + (key == kKeyRight ? 1 : -1);
        if (next >= 1 && next <= tabCount(w.controls, focused->def.field))
          sendMessage(focused->handle, kMsgChooseTab, next, 0);
      }
      return;
    default:
      return;
  }
}

void click(Window& w, Control& c, int key) {
  switch (c.def.kind) {
    case ControlKind::Prompt: {
      Control* next = nextFocusable(w, c.def.field, false);
      if (next) focusTo(w, next->def.field, key);
      return;
    }
    case ControlKind::Button:
      press(w, c, key);
      return;
    default:
      if (isFocusable(w, c)) focusTo(w, c.def.field, key);
  }
}

void chooseRow(Window& w, Control& list, int row, int key) {
  // A click below the last row selects nothing.
  if (row < 1 || !list.queue || static_cast<size_t>(row) > list.queue->records()) return;
  int field = list.def.field;
  int handle = w.handle;
  focusTo(w, field, key, [handle, field, row, key] {
    Window* win = findWindow(handle);
    Control* l = win ? win->control(field) : nullptr;
    if (!l) return;
    l->selected = row;
    queue(*win, kEventNewSelection, field, key);
  });
}

void chooseTab(Window& w, Control& sheet, int tab) {
  int field = sheet.def.field;
  if (tab < 1 || tab > tabCount(w.controls, field)) return;
  int handle = w.handle;
  // The focus stays where it is, but what was typed into the focused entry is
  // taken into its variable first, so that the redisplay that a tab change
  // brings does not undo it; typing its picture refuses keeps the tab.
  Control* focused = w.control(w.focus);
  int entry = 0;
  if (focused && focused->def.kind == ControlKind::Entry) {
    if (!entryAccepts(w, *focused, kKeyMouseLeft)) return;
    entry = focused->def.field;
  }
  queueEvent(w, Event{kEventTabChanging,
                      field,
                      0,
                      {},
                      [handle, entry] {
                        if (entry) takeValue(handle, entry);
                      },
                      {}});
  queueEvent(w, Event{kEventNewSelection,
                      field,
                      0,
                      {},
                      [handle, field, tab] {
                        Window* x = findWindow(handle);
                        if (Control* s = x ? x->control(field) : nullptr) s->choice = tab;
                      },
                      [handle, field](bool handlerMovedFocus) {
                        // A control on the tab just hidden cannot keep the focus.
                        Window* x = findWindow(handle);
                        Control* f = x ? x->control(x->focus) : nullptr;
                        if (!handlerMovedFocus && f && !isShown(*x, *f)) moveFocus(*x, field, 0);
                      }});
}

void scrollBar(Window& w, Control& list, uintptr_t wParam) {
  int field = list.def.field;
  int code = static_cast<int>(wParam & 0xFFFF);
  int position = static_cast<int>((wParam >> 16) & 0xFFFF);
  switch (code) {
    case kScrollLineUp:
      queue(w, kEventScrollUp, field, 0);
      return;
    case kScrollLineDown:
      queue(w, kEventScrollDown, field, 0);
      return;
    case kScrollPageUp:
      queue(w, kEventPageUp, field, 0);
      return;
    case kScrollPageDown:
      queue(w, kEventPageDown, field, 0);
      return;
    case kScrollThumbPosition:
      list.thumb = thumbWithin(position);
      queue(w, kEventScrollDrag, field, 0);
      return;
    default:
      return;  // tracking the thumb moves nothing until it is released
  }
}

void menuItem(Window& w, int field) {
  Control* item = w.control(field);
  if (!item || !item->enabled) return;
  auto action = static_cast<StandardAction>(item->def.standardAction);
  switch (action) {
    case StandardAction::None:
    case StandardAction::Undo:
      queue(w, kEventAccepted, field, 0);
      return;
    case StandardAction::Exit:
      queue(w, kEventCloseWindow, 0, 0);
      return;
    case StandardAction::HelpContents:
    case StandardAction::HelpSearch:
    case StandardAction::HelpOnHelp:
      frontEnd().help("");
      return;
    case StandardAction::Find:
      findInFront();
      return;
    default:
      frontEnd().standardAction(action, w.handle);
  }
}

// The key of the frame's Undo item works in every window: it is delivered as
// the item chosen, to be routed on the frame's own thread, whose procedure
// takes the change back.
void chooseUndoInFrame() {
  for (int handle : windowsByActivation()) {
    const Window* frame = findWindow(handle);
    if (!frame || frame->def.kind != WindowKind::Frame) continue;
    for (const Control& c : frame->controls)
      if (c.def.standardAction == static_cast<int>(StandardAction::Undo))
        deliverInput(Input::menu(frame->handle, c.def.field));
  }
}

}  // namespace

intptr_t runtimeWindowProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  HandleEntry* h = findHandle(handle);
  if (!h) return 0;
  Window* w = findWindow(h->window);
  if (!w) return 0;
  if (msg == kMsgPostEvent && wParam == kEventLoseFocus && lParam == 0) {
    // A window left keeps what was typed into its focused entry: the value is
    // taken as leaving the entry would take it, so that the window shows it
    // again (its refresh displays the variables) when the user comes back.
    const int window = w->handle;
    const int focus = w->focus;
    queueEvent(*w,
               Event{kEventLoseFocus, 0, 0, {}, [window, focus] { takeValue(window, focus); }, {}});
    return 0;
  }
  if (msg == kMsgPostEvent) {
    queue(*w, static_cast<int>(wParam), static_cast<int>(lParam), 0);
    return 0;
  }
  if (Control* combo = h->field != 0 ? dropPartOwner(*w, handle) : nullptr) {
    if (takesInput(*w) && combo->enabled && isShown(*w, *combo))
      dropPartMessage(*combo, handle, msg, wParam);
    return 0;
  }
  if (msg < kMsgInputBase && msg != kMsgKeyDown && msg != kMsgVScroll) return 0;
  // A new size holds whatever window is open in front: the window is laid out
  // for it at once, and its procedure hears of it when its turn comes.
  if (msg == kMsgResize) {
    if (wParam != 0 || lParam != 0) {
      w->shownWidth = static_cast<int>(wParam);
      w->shownHeight = static_cast<int>(lParam);
    }
    queue(*w, kEventSized, 0, 0);
    return 0;
  }
  // Input: only the newest open window of its thread takes it.
  if (!takesInput(*w)) return 0;
  Control* c = h->field != 0 ? w->controlByHandle(handle) : nullptr;
  if (h->field != 0 && !c) return 0;  // a control's parts (drop button, open list)
  if (c && (!c->enabled || !isShown(*w, *c))) return 0;
  switch (msg) {
    case kMsgActivate:
      activateWindow(*w);
      break;
    case kMsgClose:
      if (wParam) w->closesUnasked = true;
      queue(*w, kEventCloseWindow, 0, 0);
      break;
    case kMsgMenu:
      menuItem(*w, static_cast<int>(wParam));
      break;
    case kMsgKeyDown:
      keyDown(*w, static_cast<int>(wParam), wParam == kKeyCharacter ? routedText() : std::string());
      break;
    case kMsgSetText:
      if (c && c->def.kind == ControlKind::Entry) typeInto(*c, routedText());
      break;
    case kMsgClick:
      if (c) click(*w, *c, static_cast<int>(wParam));
      break;
    case kMsgChooseRow:
      if (c && isList(*c)) chooseRow(*w, *c, static_cast<int>(wParam), static_cast<int>(lParam));
      break;
    case kMsgChooseTab:
      if (c && c->def.kind == ControlKind::Sheet) chooseTab(*w, *c, static_cast<int>(wParam));
      break;
    case kMsgWheel:
      if (c && isList(*c)) queue(*w, wParam ? kEventScrollUp : kEventScrollDown, c->def.field, 0);
      break;
    case kMsgVScroll:
      if (c && isList(*c)) scrollBar(*w, *c, wParam);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace apprt
