// The desktop's input: keys and mouse, by what has the keyboard (the help
// page, a message box, an open drop-down list, the menu, else the active
// window).

#include <algorithm>

#include "runtime/frontend/constants.h"
#include "ui/tui/control_geometry.h"
#include "ui/tui/desktop.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

using namespace apprt;

namespace {

constexpr int kCtrlF6 = kCtrl + kKeyF1 + 5;

bool isDropList(const ControlView* c) {
  return c && (c->kind == ControlKind::DropList || c->kind == ControlKind::DropCombo);
}

// What a click on an open drop-down list sends; a click elsewhere closes it.
std::optional<Input> popupClick(const Desktop::Popup& popup, int col, int row) {
  const CellRect& r = popup.rect;
  const int handle = popup.window->view.handle;
  const int field = popup.control->field;
  if (!r.contains(col, row)) return Input::drop(handle, field);
  if (popup.control->scrollBar && col == r.col + r.width - 1) {
    int code = row == r.row                  ? kScrollLineUp
               : row == r.row + r.height - 1 ? kScrollLineDown
               : row < r.row + r.height / 2  ? kScrollPageUp
                                             : kScrollPageDown;
    return Input::scrollBar(handle, field, code);
  }
  if (row - r.row < static_cast<int>(popup.control->rows.size()))
    return Input::chooseRow(handle, field, row - r.row + 1, kKeyMouseLeft);
  return std::nullopt;
}

}  // namespace

void Desktop::choose(const MenuEntry& entry) {
  if (entry.window) {
    if (windows_.activate(entry.window)) entry_.sync(windows_.active());
  } else if (frame_ && entry.field) {
    send_(Input::menu(frame_->handle, entry.field));
  }
}

void Desktop::key(const TerminalKey& terminalKey) {
  const DecodedKey k = decodeKey(terminalKey);
  if (help_.shown()) return help_.key(k, rows_);
  if (!boxes_.empty()) {
    if (!boxes_.key(k)) beep();
    return;
  }
  if (menu_.isOpen()) {
    if (auto chosen = menu_.key(k).chosen) choose(*chosen);
    return;
  }
  if (k.code == kKeyF10) return menu_.openFirst();
  if (k.code == kCtrlF6 || k.code == kCtrlF6 + kShift) {
    if (windows_.cycle(k.code == kCtrlF6 ? 1 : -1)) entry_.sync(windows_.active());
    return;
  }
  ShownWindow* w = windows_.active();
  if ((k.code & kAlt) && !(k.code & kCtrl)) {
    const int letter = k.code & 0xFF;
    // A mnemonic of the window's own controls wins over the menu bar's.
    const bool windowHasIt = w && w->view.hasMnemonic(letter);
    const MenuControl::Outcome menu =
        !windowHasIt && !(k.code & kShift) ? menu_.mnemonic(letter) : MenuControl::Outcome{};
    if (menu.taken) {
      if (menu.chosen) choose(*menu.chosen);
    } else if (const ControlView* marked =
                   w ? apprt::controlWithMnemonic(w->view.controls, letter) : nullptr;
               marked && !(k.code & kShift) && w->addedMnemonics.count(letter) &&
               w->addedMnemonics.at(letter) == marked->field) {
      send_(Input::click(w->view.handle, marked->field));  // the runtime knows no added mnemonic
    } else if (w) {
      send_(Input::keyDown(w->view.handle, k.code));
    } else if (k.code == kAlt + kKeyF4 && frame_) {
      send_(Input::close(frame_->handle));
    }
    return;
  }
  if (!w) return;  // keys belong to windows; the frame takes only its menu keys
  if (entry_.editing(*w)) {
    FocusedEntry::KeyResult edited = entry_.key(k);
    if (edited == FocusedEntry::KeyResult::Refused) beep();
    if (edited != FocusedEntry::KeyResult::NotTaken) return;
  }
  const ControlView* focused = w->view.control(w->view.focus);
  if (isDropList(focused) && (k.code == kKeyF4 || k.code == kAlt + kKeyDown)) {
    send_(Input::drop(w->view.handle, focused->field));
    return;
  }
  if (k.code == kKeyCharacter)
    send_(Input::keyDown(w->view.handle, k.code, encodeUtf8(std::wstring(1, k.typed))));
  else if (k.code)
    send_(Input::keyDown(w->view.handle, k.code));
}

// ---- The mouse -------------------------------------------------------------------------

void Desktop::click(int col, int row, bool twice) {
  if (help_.shown()) {
    help_.close();
    return;
  }
  if (!boxes_.empty()) {
    boxes_.click(col, row);
    return;
  }
  if (auto popup = openDrop()) {
    if (auto input = popupClick(*popup, col, row)) send_(*input);
    return;
  }
  if (MenuControl::Outcome menu = menu_.click(col, row, cols_); menu.taken) {
    if (menu.chosen) choose(*menu.chosen);
    return;
  }
  if (row == 1 && clientArea().row == 2) {
    int at = 1;
    for (const ControlView* button : toolbarButtons(frame_)) {
      int width = textCells(mnemonicCells(button->text).text) + 4;
      if (col >= at && col < at + width) send_(Input::click(frame_->handle, button->field));
      at += width + 1;
    }
    return;
  }
  if (ShownWindow* w = windows_.at(col, row)) {
    if (windows_.activate(w->view.handle)) entry_.sync(windows_.active());
    windowClick(*w, col, row, twice);
  }
}

void Desktop::windowClick(ShownWindow& w, int col, int row, bool twice) {
  const int handle = w.view.handle;
  const int mouse = twice ? kKeyMouseLeftDouble : kKeyMouseLeft;
  Hit hit = hitTest(w, col, row);
  const ControlView* c = w.view.control(hit.field);
  switch (hit.part) {
    case Hit::Part::CloseBox:
      send_(Input::close(handle));
      return;
    case Hit::Part::Row:
      send_(Input::chooseRow(handle, hit.field, hit.index, mouse));
      return;
    case Hit::Part::Header:
      send_(Input::click(handle, hit.field));
      return;
    case Hit::Part::LineUp:
      send_(Input::scrollBar(handle, hit.field, kScrollLineUp));
      return;
    case Hit::Part::LineDown:
      send_(Input::scrollBar(handle, hit.field, kScrollLineDown));
      return;
    case Hit::Part::PageUp:
      send_(Input::scrollBar(handle, hit.field, kScrollPageUp));
      return;
    case Hit::Part::PageDown:
      send_(Input::scrollBar(handle, hit.field, kScrollPageDown));
      return;
    case Hit::Part::Tab:
      send_(Input::chooseTab(handle, hit.field, hit.index));
      return;
    case Hit::Part::DropButton:
      if (c) send_(Input::drop(handle, c->field));
      return;
    case Hit::Part::Control:
      if (!c) return;
      if (c->kind == ControlKind::Entry && entry_.click(w, c->field, hit.offset)) return;
      send_(Input::click(handle, c->field));
      return;
    default:
      return;
  }
}

void Desktop::wheel(int col, int row, bool up) {
  if (help_.shown()) {
    help_.key({up ? kKeyUp : kKeyDown, 0}, rows_);
    return;
  }
  if (!boxes_.empty() || openDrop() || menu_.isOpen()) return;
  if (ShownWindow* w = windows_.at(col, row)) {
    Hit hit = hitTest(*w, col, row);
    const ControlView* c = w->view.control(hit.field);
    if (c && c->kind == ControlKind::List) send_(Input::wheel(w->view.handle, c->field, up));
  }
}

}  // namespace fesk::tui
