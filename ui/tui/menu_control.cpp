#include "ui/tui/menu_control.h"

#include <algorithm>

#include "ui/tui/text_cells.h"

namespace fesk::tui {

using namespace apprt;

void MenuControl::frameChanged() {
  bar_ = frame_ ? buildMenuBar(*frame_) : std::vector<MenuEntry>{};
  if (!frame_) close();
}

void MenuControl::openFirst() {
  open(nextChoosable(bar_, -1, 1), true);
}

const std::vector<MenuEntry>* MenuControl::openItems() const {
  if (state_.bar < 0 || !state_.dropped) return nullptr;
  const MenuEntry& entry = bar_[static_cast<size_t>(state_.bar)];
  return entry.submenu ? &entry.items : nullptr;
}

void MenuControl::open(int index, bool drop) {
  if (index < 0 || static_cast<size_t>(index) >= bar_.size()) return;
  // The window menu lists the open windows after its own items.
  bar_ = buildMenuBar(*frame_);
  for (auto& entry : bar_) {
    bool windowMenu = std::any_of(entry.items.begin(), entry.items.end(), [](const MenuEntry& e) {
      return e.standardAction == static_cast<int>(StandardAction::Tile);
    });
    if (!windowMenu) continue;
    auto windows = windowItems_();
    if (!windows.empty()) {
      MenuEntry separator;
      separator.separator = true;
      entry.items.push_back(separator);
      entry.items.insert(entry.items.end(), windows.begin(), windows.end());
    }
  }
  state_.bar = index;
  state_.dropped = drop && bar_[static_cast<size_t>(index)].submenu;
  state_.item = state_.dropped ? nextChoosable(bar_[static_cast<size_t>(index)].items, -1, 1) : -1;
}

MenuControl::Outcome MenuControl::choose(const MenuEntry& entry) {
  close();
  return {true, entry};
}

MenuControl::Outcome MenuControl::key(const DecodedKey& k) {
  const std::vector<MenuEntry>* items = openItems();
  switch (k.code) {
    case kKeyEsc:
      if (state_.dropped) {
        state_.dropped = false;
        state_.item = -1;
      } else {
        close();
      }
      return {true, {}};
    case kKeyF10:
      close();
      return {true, {}};
    case kKeyLeft:
    case kKeyRight:
      open(nextChoosable(bar_, state_.bar, k.code == kKeyRight ? 1 : -1), state_.dropped);
      return {true, {}};
    case kKeyUp:
    case kKeyDown:
      if (items)
        state_.item = nextChoosable(*items, state_.item, k.code == kKeyDown ? 1 : -1);
      else
        open(state_.bar, true);
      return {true, {}};
    case kKeyEnter:
    case kKeySpace:
      if (items && state_.item >= 0) return choose((*items)[static_cast<size_t>(state_.item)]);
      if (bar_[static_cast<size_t>(state_.bar)].submenu) {
        open(state_.bar, true);
        return {true, {}};
      }
      return choose(bar_[static_cast<size_t>(state_.bar)]);
    default:
      break;
  }
  const int letter = k.code & 0xFF;
  const bool alphanumeric = (letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9');
  if (!alphanumeric || (k.code & kCtrl)) return {true, {}};
  // With Alt the letter is the bar's, also over an open menu: titles that
  // share it take turns.
  if (items && !(k.code & kAlt)) {
    MnemonicMatch m = findMnemonic(*items, letter, state_.item);
    if (m.index < 0) return {true, {}};
    if (m.unique) return choose((*items)[static_cast<size_t>(m.index)]);
    state_.item = m.index;
    return {true, {}};
  }
  Outcome outcome = mnemonic(letter);
  outcome.taken = true;
  return outcome;
}

MenuControl::Outcome MenuControl::mnemonic(int letter) {
  MnemonicMatch m = findMnemonic(bar_, letter, state_.bar);
  if (m.index < 0) return {};
  const MenuEntry& entry = bar_[static_cast<size_t>(m.index)];
  if (!entry.submenu && m.unique) return choose(entry);
  open(m.index, entry.submenu);
  return {true, {}};
}

MenuControl::Outcome MenuControl::click(int col, int row, int cols) {
  if (const std::vector<MenuEntry>* items = openItems()) {
    CellRect drop = dropDownRect(cols);
    if (drop.contains(col, row) && row > drop.row && row < drop.row + drop.height - 1) {
      const MenuEntry& entry = (*items)[static_cast<size_t>(row - drop.row - 1)];
      if (!entry.separator && entry.enabled) return choose(entry);
      return {true, {}};
    }
  }
  if (row != 0) {
    close();
    return {};
  }
  std::vector<int> columns = barColumns(bar_);
  for (size_t i = 0; i < bar_.size(); ++i) {
    if (col < columns[i] - 1 || col >= columns[i + 1] - 1) continue;
    if (!bar_[i].submenu) return choose(bar_[i]);
    open(static_cast<int>(i), true);
    return {true, {}};
  }
  close();
  return {true, {}};
}

std::optional<std::string> MenuControl::hint() const {
  if (state_.bar < 0 || static_cast<size_t>(state_.bar) >= bar_.size()) return std::nullopt;
  const std::vector<MenuEntry>* items = openItems();
  if (items && state_.item >= 0 && static_cast<size_t>(state_.item) < items->size())
    return (*items)[static_cast<size_t>(state_.item)].hint;
  return bar_[static_cast<size_t>(state_.bar)].hint;
}

CellRect MenuControl::dropDownRect(int cols) const {
  const std::vector<MenuEntry>* items = openItems();
  if (!items) return {};
  int width = 0;
  for (const auto& e : *items) width = std::max(width, textCells(e.text.text));
  std::vector<int> columns = barColumns(bar_);
  CellRect r{columns[static_cast<size_t>(state_.bar)] - 1, 1, width + 4,
             static_cast<int>(items->size()) + 2};
  r.col = std::max(0, std::min(r.col, cols - r.width));
  return r;
}

void MenuControl::paintBar(Canvas& canvas, int cols) const {
  canvas.fill({0, 0, cols, 1}, Style::MenuBar);
  std::vector<int> columns = barColumns(bar_);
  for (size_t i = 0; i < bar_.size(); ++i) {
    const MenuEntry& e = bar_[i];
    const bool lit = static_cast<int>(i) == state_.bar;
    Style style = lit ? Style::MenuHighlight : e.enabled ? Style::MenuBar : Style::MenuDisabled;
    canvas.fill({columns[i] - 1, 0, columns[i + 1] - columns[i], 1}, style);
    for (size_t k = 0; k < e.text.text.size(); ++k)
      canvas.text(columns[i] + static_cast<int>(k), 0, std::wstring_view(&e.text.text[k], 1), style,
                  static_cast<int>(k) == e.text.marked);
  }
  if (frame_) {
    std::wstring title = decodeUtf8(frame_->title);
    int col = cols - textCells(title) - 1;
    if (col > columns.back() + 1) canvas.text(col, 0, title, Style::MenuBar);
  }
}

void MenuControl::paintDropDown(Canvas& canvas, int cols) const {
  const std::vector<MenuEntry>& items = *openItems();
  CellRect r = dropDownRect(cols);
  canvas.fill(r, Style::MenuBar);
  canvas.box(r, Style::MenuBar);
  for (size_t i = 0; i < items.size(); ++i) {
    const MenuEntry& e = items[i];
    const int row = r.row + 1 + static_cast<int>(i);
    if (e.separator) {
      canvas.fill({r.col + 1, row, r.width - 2, 1}, Style::MenuBar, Canvas::glyphs().horizontal);
      continue;
    }
    const bool lit = static_cast<int>(i) == state_.item;
    Style style = lit ? Style::MenuHighlight : e.enabled ? Style::MenuBar : Style::MenuDisabled;
    canvas.fill({r.col + 1, row, r.width - 2, 1}, style);
    for (size_t k = 0; k < e.text.text.size(); ++k)
      canvas.text(r.col + 2 + static_cast<int>(k), row, std::wstring_view(&e.text.text[k], 1),
                  style, static_cast<int>(k) == e.text.marked);
  }
}

}  // namespace fesk::tui
