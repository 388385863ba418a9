// The desktop's input: keys and mouse, by what has the keyboard (the help
// page, a message box, an open drop-down list, the menu, else the active
// window).

#include <algorithm>

#include "runtime/constants.h"
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

}  // namespace

void Desktop::key(const TerminalKey& terminalKey) {
  const DecodedKey k = decodeKey(terminalKey);
  if (help_) return helpKey(k);
  if (!boxes_.empty()) return boxKey(k);
  if (menu_.bar >= 0) return menuKey(k);
  if (k.code == kKeyF10) return openMenu(nextChoosable(bar_, -1, 1), true);
  if (k.code == kCtrlF6 || k.code == kCtrlF6 + kShift)
    return cycleWindows(k.code == kCtrlF6 ? 1 : -1);
  ShownWindow* w = active();
  if ((k.code & kAlt) && !(k.code & kCtrl)) {
    const int letter = k.code & 0xFF;
    if (w && hasMnemonic(*w, letter)) {
      send(Input::Kind::Key, w->view.handle, 0, k.code);
    } else if (MnemonicMatch m = findMnemonic(bar_, letter); m.index >= 0 && !(k.code & kShift)) {
      const MenuEntry& entry = bar_[static_cast<size_t>(m.index)];
      if (!entry.submenu && m.unique)
        choose(entry);
      else
        openMenu(m.index, entry.submenu);
    } else if (w) {
      send(Input::Kind::Key, w->view.handle, 0, k.code);
    } else if (k.code == kAlt + kKeyF4 && frame_) {
      send(Input::Kind::Close, frame_->handle);
    }
    return;
  }
  if (!w) return;  // keys belong to windows; the frame takes only its menu keys
  if (editing(*w) && entryKey(k)) return;
  const ControlView* focused = w->view.control(w->view.focus);
  if (isDropList(focused) && (k.code == kKeyF4 || k.code == kAlt + kKeyDown)) {
    send(Input::Kind::Drop, w->view.handle, focused->field, kKeyMouseLeft);
    return;
  }
  if (k.code == kKeyCharacter)
    send(Input::Kind::Key, w->view.handle, 0, k.code, 0, 0, encodeUtf8(std::wstring(1, k.typed)));
  else if (k.code)
    send(Input::Kind::Key, w->view.handle, 0, k.code);
}

bool Desktop::entryKey(const DecodedKey& k) {
  bool changed = false;
  if (!applyEditingKey(editor_, k, changed)) return false;
  if (k.typed && editor_.refused()) beep();
  if (changed) sendTypedText();
  return true;
}

// ---- The menu --------------------------------------------------------------------

const std::vector<MenuEntry>* Desktop::openItems() const {
  if (menu_.bar < 0 || !menu_.dropped) return nullptr;
  const MenuEntry& entry = bar_[static_cast<size_t>(menu_.bar)];
  return entry.submenu ? &entry.items : nullptr;
}

void Desktop::openMenu(int index, bool drop) {
  if (index < 0 || static_cast<size_t>(index) >= bar_.size()) return;
  // The window menu lists the open windows after its own items.
  bar_ = buildMenuBar(*frame_);
  for (auto& entry : bar_) {
    bool windowMenu = std::any_of(entry.items.begin(), entry.items.end(), [](const MenuEntry& e) {
      return e.standardAction == static_cast<int>(StandardAction::Tile);
    });
    if (!windowMenu) continue;
    auto windows = windowMenuItems();
    if (!windows.empty()) {
      MenuEntry separator;
      separator.separator = true;
      entry.items.push_back(separator);
      entry.items.insert(entry.items.end(), windows.begin(), windows.end());
    }
  }
  menu_.bar = index;
  menu_.dropped = drop && bar_[static_cast<size_t>(index)].submenu;
  menu_.item = menu_.dropped ? nextChoosable(bar_[static_cast<size_t>(index)].items, -1, 1) : -1;
}

std::vector<MenuEntry> Desktop::windowMenuItems() const {
  std::vector<MenuEntry> items;
  int number = 0;
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    MenuEntry e;
    ++number;
    std::string label = number <= 9 ? "&" + std::to_string(number) + " " : "   ";
    e.text = parseMnemonic(label + windows_.at(*it).view.title);
    e.window = *it;
    e.hint = "Make this window the active one";
    items.push_back(std::move(e));
  }
  return items;
}

void Desktop::closeMenu() {
  menu_ = MenuState{};
}

void Desktop::choose(const MenuEntry& entry) {
  closeMenu();
  if (entry.window) {
    activate(entry.window);
  } else if (frame_ && entry.field) {
    send(Input::Kind::Menu, frame_->handle, entry.field);
  }
}

void Desktop::menuKey(const DecodedKey& k) {
  const std::vector<MenuEntry>* items = openItems();
  switch (k.code) {
    case kKeyEsc:
      if (menu_.dropped) {
        menu_.dropped = false;
        menu_.item = -1;
      } else {
        closeMenu();
      }
      return;
    case kKeyF10:
      closeMenu();
      return;
    case kKeyLeft:
    case kKeyRight:
      openMenu(nextChoosable(bar_, menu_.bar, k.code == kKeyRight ? 1 : -1), menu_.dropped);
      return;
    case kKeyUp:
    case kKeyDown:
      if (items)
        menu_.item = nextChoosable(*items, menu_.item, k.code == kKeyDown ? 1 : -1);
      else
        openMenu(menu_.bar, true);
      return;
    case kKeyEnter:
    case kKeySpace:
      if (items && menu_.item >= 0)
        choose((*items)[static_cast<size_t>(menu_.item)]);
      else if (bar_[static_cast<size_t>(menu_.bar)].submenu)
        openMenu(menu_.bar, true);
      else
        choose(bar_[static_cast<size_t>(menu_.bar)]);
      return;
    default:
      break;
  }
  const int letter = k.code & 0xFF;
  const bool alphanumeric = (letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9');
  if (!alphanumeric || (k.code & kCtrl)) return;
  if (items) {
    MnemonicMatch m = findMnemonic(*items, letter, menu_.item);
    if (m.index < 0) return;
    if (m.unique)
      choose((*items)[static_cast<size_t>(m.index)]);
    else
      menu_.item = m.index;
    return;
  }
  MnemonicMatch m = findMnemonic(bar_, letter, menu_.bar);
  if (m.index < 0) return;
  const MenuEntry& entry = bar_[static_cast<size_t>(m.index)];
  if (!entry.submenu && m.unique)
    choose(entry);
  else
    openMenu(m.index, entry.submenu);
}

// ---- Boxes, drop-down lists, help -------------------------------------------------------

void Desktop::boxKey(const DecodedKey& k) {
  MessageBoxView& box = *boxes_.back();
  bool changed = false;
  if (EntryEditor* entry = box.entry(); entry && applyEditingKey(*entry, k, changed)) {
    if (k.typed && entry->refused()) beep();
    return;
  }
  int value = 0;
  switch (k.code) {
    case kKeyLeft:
    case kKeyShiftTab:
      box.moveFocus(-1);
      return;
    case kKeyRight:
    case kKeyTab:
      box.moveFocus(1);
      return;
    case kKeyEnter:
    case kKeySpace:
      value = box.focusedValue();
      break;
    case kKeyEsc:
      value = box.escapeValue();
      break;
    default:
      value = box.valueForLetter(k.code & ~(kShift | kAlt) & 0xFF);
      break;
  }
  if (value) answerBox(value);
}

void Desktop::answerBox(int value) {
  MessageBoxView* box = boxes_.back().get();
  std::erase_if(progressBoxes_, [&](const auto& work) {
    if (work.second != box) return false;
    cancelledWork_.insert(work.first);
    return true;
  });
  box->answer(value);
  boxes_.pop_back();
}

void Desktop::popupClick(const Popup& popup, int col, int row) {
  const CellRect& r = popup.rect;
  const int handle = popup.window->view.handle;
  const int field = popup.control->field;
  if (!r.contains(col, row)) {
    send(Input::Kind::Drop, handle, field, kKeyMouseLeft);  // a click elsewhere closes it
    return;
  }
  if (popup.control->scrollBar && col == r.col + r.width - 1) {
    int code = row == r.row                  ? kScrollLineUp
               : row == r.row + r.height - 1 ? kScrollLineDown
               : row < r.row + r.height / 2  ? kScrollPageUp
                                             : kScrollPageDown;
    send(Input::Kind::Scroll, handle, field, 0, code);
    return;
  }
  if (row - r.row < static_cast<int>(popup.control->rows.size()))
    send(Input::Kind::Row, handle, field, kKeyMouseLeft, row - r.row + 1);
}

void Desktop::helpKey(const DecodedKey& k) {
  const int page = std::max(1, rows_ - 4);
  const int last = std::max(0, static_cast<int>(help_->lines.size()) - page);
  switch (k.code) {
    case kKeyUp:
      help_->top = std::max(0, help_->top - 1);
      return;
    case kKeyDown:
      help_->top = std::min(last, help_->top + 1);
      return;
    case kKeyPgUp:
      help_->top = std::max(0, help_->top - page);
      return;
    case kKeyPgDn:
    case kKeySpace:
      help_->top = std::min(last, help_->top + page);
      return;
    case kKeyEsc:
    case kKeyEnter:
      help_.reset();
      return;
    default:
      return;
  }
}

// ---- The mouse -------------------------------------------------------------------------

void Desktop::click(int col, int row, bool twice) {
  if (help_) {
    help_.reset();
    return;
  }
  if (!boxes_.empty()) {
    if (int value = boxes_.back()->valueAt(col, row)) answerBox(value);
    return;
  }
  if (auto popup = openDrop()) {
    popupClick(*popup, col, row);
    return;
  }
  if (const std::vector<MenuEntry>* items = openItems()) {
    CellRect drop = dropDownRect();
    if (drop.contains(col, row) && row > drop.row && row < drop.row + drop.height - 1) {
      const MenuEntry& entry = (*items)[static_cast<size_t>(row - drop.row - 1)];
      if (!entry.separator && entry.enabled) choose(entry);
      return;
    }
  }
  if (row == 0) {
    std::vector<int> columns = barColumns(bar_);
    for (size_t i = 0; i < bar_.size(); ++i)
      if (col >= columns[i] - 1 && col < columns[i + 1] - 1) {
        if (bar_[i].submenu)
          openMenu(static_cast<int>(i), true);
        else
          choose(bar_[i]);
        return;
      }
    closeMenu();
    return;
  }
  closeMenu();
  if (row == 1 && clientArea().row == 2) {
    int at = 1;
    for (const ControlView* button : toolbarButtons()) {
      int width = textCells(parseMnemonic(button->text).text) + 4;
      if (col >= at && col < at + width)
        send(Input::Kind::Click, frame_->handle, button->field, kKeyMouseLeft);
      at += width + 1;
    }
    return;
  }
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    ShownWindow& w = windows_[*it];
    if (!w.outer.contains(col, row)) continue;
    activate(w.view.handle);
    windowClick(w, col, row, twice);
    return;
  }
}

void Desktop::windowClick(ShownWindow& w, int col, int row, bool twice) {
  const int handle = w.view.handle;
  const int mouse = twice ? kKeyMouseLeftDouble : kKeyMouseLeft;
  Hit hit = hitTest(w, col, row);
  const ControlView* c = w.view.control(hit.field);
  switch (hit.part) {
    case Hit::Part::CloseBox:
      send(Input::Kind::Close, handle);
      return;
    case Hit::Part::Row:
      send(Input::Kind::Row, handle, hit.field, mouse, hit.index);
      return;
    case Hit::Part::Header:
      send(Input::Kind::Click, handle, hit.field, kKeyMouseLeft);
      return;
    case Hit::Part::LineUp:
      send(Input::Kind::Scroll, handle, hit.field, 0, kScrollLineUp);
      return;
    case Hit::Part::LineDown:
      send(Input::Kind::Scroll, handle, hit.field, 0, kScrollLineDown);
      return;
    case Hit::Part::PageUp:
      send(Input::Kind::Scroll, handle, hit.field, 0, kScrollPageUp);
      return;
    case Hit::Part::PageDown:
      send(Input::Kind::Scroll, handle, hit.field, 0, kScrollPageDown);
      return;
    case Hit::Part::Tab:
      send(Input::Kind::Tab, handle, hit.field, 0, hit.index);
      return;
    case Hit::Part::DropButton:
      if (c) send(Input::Kind::Drop, handle, c->field, kKeyMouseLeft);
      return;
    case Hit::Part::Control:
      if (!c) return;
      if (c->kind == ControlKind::Entry) {
        if (editing(w) && w.view.focus == c->field) {
          editor_.placeCursor(hit.offset);
          return;
        }
        clickedEntry_ = PendingClick{handle, c->field, hit.offset};
      }
      send(Input::Kind::Click, handle, c->field, kKeyMouseLeft);
      return;
    default:
      return;
  }
}

void Desktop::wheel(int col, int row, bool up) {
  if (help_) {
    helpKey({up ? kKeyUp : kKeyDown, 0});
    return;
  }
  if (!boxes_.empty() || openDrop() || menu_.bar >= 0) return;
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    ShownWindow& w = windows_[*it];
    if (!w.outer.contains(col, row)) continue;
    Hit hit = hitTest(w, col, row);
    const ControlView* c = w.view.control(hit.field);
    if (c && c->kind == ControlKind::List)
      send(Input::Kind::Wheel, w.view.handle, c->field, 0, up ? 1 : 0);
    return;
  }
}

}  // namespace fesk::tui
