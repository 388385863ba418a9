// Painting the desktop: the client area and its windows from the bottom up,
// then the menu bar, tool bar, status line, open menus and boxes on top.

#include <algorithm>

#include "ui/tui/desktop.h"
#include "ui/tui/text_cells.h"
#include "ui/tui/window_painter.h"

namespace fesk::tui {

using apprt::ControlView;

namespace {
constexpr const wchar_t* kSpinner = L"|/-\\";
constexpr const wchar_t* kKeysHelp = L"F10 Menu  Ctrl+F6 Next window";

// What an entry of `width` cells shows of a longer text: its end, with a
// cell left for the cursor.
std::wstring shownTail(const EntryEditor& entry, int width) {
  std::wstring shown = entry.characters();
  while (!shown.empty() && textCells(shown) > width - 1) shown.erase(0, 1);
  return shown;
}
}  // namespace

void Desktop::paint(Canvas& canvas) {
  canvas.clipToScreen();
  canvas.fill(clientArea(), Style::Desktop);
  std::optional<Cursor> cursor;
  for (int handle : order_) {
    const ShownWindow& w = windows_.at(handle);
    const bool top = handle == order_.back();
    auto at = paintWindow(canvas, w, top, top && editing(w) ? &editor_ : nullptr);
    if (top) cursor = at;
  }
  paintMenuBar(canvas);
  paintToolbar(canvas);
  paintStatus(canvas);
  if (openItems()) {
    paintDropDown(canvas);
    cursor.reset();
  }
  if (auto popup = openDrop()) {
    paintPopup(canvas, *popup);
    cursor.reset();
  }
  for (size_t i = 0; i < boxes_.size(); ++i) {
    paintBox(canvas, *boxes_[i], i + 1 == boxes_.size());
    const BoxButton& b = boxes_[i]->buttons()[static_cast<size_t>(boxes_[i]->focused())];
    cursor = Cursor{b.rect.col + 2, b.rect.row};
    if (const EntryEditor* entry = boxes_[i]->entry()) {
      const CellRect& r = boxes_[i]->entryRect();
      const int hidden = textCells(entry->characters()) - textCells(shownTail(*entry, r.width));
      cursor = Cursor{r.col + std::clamp(entry->cursorCells() - hidden, 0, r.width - 1), r.row};
    }
  }
  if (help_) {
    paintHelp(canvas);
    cursor.reset();
  }
  if (menu_.bar >= 0 && !openItems()) cursor.reset();
  Canvas::placeCursor(cursor.has_value(), cursor ? cursor->col : 0, cursor ? cursor->row : 0);
  ++spinner_;
}

void Desktop::paintMenuBar(Canvas& canvas) {
  canvas.fill({0, 0, cols_, 1}, Style::MenuBar);
  std::vector<int> columns = barColumns(bar_);
  for (size_t i = 0; i < bar_.size(); ++i) {
    const MenuEntry& e = bar_[i];
    const bool lit = static_cast<int>(i) == menu_.bar;
    Style style = lit ? Style::MenuHighlight : e.enabled ? Style::MenuBar : Style::MenuDisabled;
    canvas.fill({columns[i] - 1, 0, columns[i + 1] - columns[i], 1}, style);
    for (size_t k = 0; k < e.text.text.size(); ++k)
      canvas.text(columns[i] + static_cast<int>(k), 0, std::wstring_view(&e.text.text[k], 1), style,
                  static_cast<int>(k) == e.text.marked);
  }
  if (frame_) {
    std::wstring title = decodeUtf8(frame_->title);
    int col = cols_ - textCells(title) - 1;
    if (col > columns.back() + 1) canvas.text(col, 0, title, Style::MenuBar);
  }
}

void Desktop::paintToolbar(Canvas& canvas) {
  if (clientArea().row != 2) return;
  canvas.fill({0, 1, cols_, 1}, Style::Window);
  int col = 1;
  for (const ControlView* button : toolbarButtons()) {
    const int label = textCells(parseMnemonic(button->text).text);
    Style style = button->enabled ? Style::Button : Style::Disabled;
    canvas.text(col, 1, std::wstring(L"[ "), style);
    canvas.mnemonic(col + 2, 1, button->text, style, label);
    canvas.text(col + 2 + label, 1, std::wstring(L" ]"), style);
    col += label + 5;
  }
}

void Desktop::paintStatus(Canvas& canvas) {
  const int row = rows_ - 1;
  canvas.fill({0, row, cols_, 1}, Style::Status);
  std::wstring right = kKeysHelp;
  const bool busy = std::any_of(windows_.begin(), windows_.end(),
                                [](const auto& entry) { return entry.second.view.busy; });
  if (busy) right = std::wstring(L"Working ") + kSpinner[spinner_ % 4] + L"  " + right;
  const int rightCol = std::max(0, cols_ - textCells(right) - 1);
  canvas.text(1, row, fitCells(decodeUtf8(statusText()), std::max(0, rightCol - 2)), Style::Status);
  canvas.text(rightCol, row, fitCells(right, cols_), busy ? Style::Busy : Style::Status);
  if (std::chrono::steady_clock::now() < bellUntil_)
    canvas.text(std::max(0, rightCol - 8), row, std::wstring(L" Bell! "), Style::Busy);
}

CellRect Desktop::dropDownRect() const {
  const std::vector<MenuEntry>* items = openItems();
  if (!items) return {};
  int width = 0;
  for (const auto& e : *items) width = std::max(width, textCells(e.text.text));
  std::vector<int> columns = barColumns(bar_);
  CellRect r{columns[static_cast<size_t>(menu_.bar)] - 1, 1, width + 4,
             static_cast<int>(items->size()) + 2};
  r.col = std::max(0, std::min(r.col, cols_ - r.width));
  return r;
}

void Desktop::paintDropDown(Canvas& canvas) {
  const std::vector<MenuEntry>& items = *openItems();
  CellRect r = dropDownRect();
  canvas.fill(r, Style::MenuBar);
  canvas.box(r, Style::MenuBar);
  for (size_t i = 0; i < items.size(); ++i) {
    const MenuEntry& e = items[i];
    const int row = r.row + 1 + static_cast<int>(i);
    if (e.separator) {
      canvas.fill({r.col + 1, row, r.width - 2, 1}, Style::MenuBar, Canvas::glyphs().horizontal);
      continue;
    }
    const bool lit = static_cast<int>(i) == menu_.item;
    Style style = lit ? Style::MenuHighlight : e.enabled ? Style::MenuBar : Style::MenuDisabled;
    canvas.fill({r.col + 1, row, r.width - 2, 1}, style);
    for (size_t k = 0; k < e.text.text.size(); ++k)
      canvas.text(r.col + 2 + static_cast<int>(k), row, std::wstring_view(&e.text.text[k], 1),
                  style, static_cast<int>(k) == e.text.marked);
  }
}

void Desktop::paintPopup(Canvas& canvas, const Popup& popup) {
  const CellRect& r = popup.rect;
  const ControlView& c = *popup.control;
  const int textWidth = c.scrollBar ? r.width - 1 : r.width;
  for (int i = 0; i < r.height; ++i) {
    const auto n = static_cast<size_t>(i);
    Style style = i + 1 == c.selected ? Style::MenuHighlight : Style::MenuBar;
    canvas.fill({r.col, r.row + i, textWidth, 1}, style);
    if (n < c.rows.size() && !c.rows[n].empty())
      canvas.text(r.col, r.row + i, fitCells(decodeUtf8(c.rows[n].front()), textWidth), style);
  }
  if (!c.scrollBar) return;
  const Glyphs& g = Canvas::glyphs();
  const int thumbRow = r.row + 1 + c.thumb * std::max(0, r.height - 3) / 100;
  for (int line = r.row; line < r.row + r.height; ++line) {
    wchar_t glyph = line == r.row                  ? g.up
                    : line == r.row + r.height - 1 ? g.down
                    : line == thumbRow             ? g.thumb
                                                   : g.track;
    canvas.put(r.col + r.width - 1, line, glyph, Style::ScrollBar);
  }
}

std::optional<Desktop::Popup> Desktop::openDrop() const {
  if (order_.empty()) return std::nullopt;
  const ShownWindow& w = windows_.at(order_.back());
  for (const auto& c : w.view.controls) {
    if (!c.droppedDown || !w.view.shows(c)) continue;
    auto rect = w.controlRect(c);
    if (!rect) return std::nullopt;
    const int rows = std::max(1, c.visibleRows);
    return Popup{&w, &c, {rect->col, rect->row + 1, rect->width, rows}};
  }
  return std::nullopt;
}

void Desktop::paintBox(Canvas& canvas, const MessageBoxView& box, bool top) {
  const CellRect& r = box.outer();
  canvas.fill(r, Style::Window);
  canvas.box(r, top ? Style::ActiveBorder : Style::Border);
  std::wstring title =
      L" " + decodeUtf8(box.request().title.empty() ? "fesk" : box.request().title) + L" ";
  title = fitCells(title, std::max(0, r.width - 2));
  const bool warning = box.request().icon == apprt::Icon::Warning;
  canvas.text(r.col + std::max(1, (r.width - textCells(title)) / 2), r.row, title,
              warning ? Style::WarningTitle : Style::BoxTitle);
  int row = r.row + 1;
  for (const auto& line : box.lines()) {
    if (row >= r.row + r.height - 2) break;
    canvas.text(r.col + 2, row++, fitCells(line, r.width - 4), Style::Window);
  }
  if (const EntryEditor* entry = box.entry()) {
    // A text longer than the entry shows its end, where the cursor is.
    const CellRect& e = box.entryRect();
    canvas.fill(e, Style::EntryFocused);
    canvas.text(e.col, e.row, shownTail(*entry, e.width),
                entry->allSelected() ? Style::Selection : Style::EntryFocused);
  }
  for (size_t i = 0; i < box.buttons().size(); ++i) {
    const BoxButton& b = box.buttons()[i];
    const bool focused = static_cast<int>(i) == box.focused();
    Style style = focused && top ? Style::ButtonFocused : Style::Button;
    canvas.text(b.rect.col, b.rect.row, L"[ " + b.label + L" ]", style);
    canvas.text(b.rect.col + 2, b.rect.row, b.label.substr(0, 1), style, true);
  }
}

void Desktop::paintHelp(Canvas& canvas) {
  const int width = std::min(cols_, 72);
  CellRect r{(cols_ - width) / 2, 1, width, std::max(3, rows_ - 2)};
  canvas.fill(r, Style::Window);
  canvas.box(r, Style::ActiveBorder);
  std::wstring title = fitCells(L" " + decodeUtf8(help_->title) + L" ", r.width - 2);
  canvas.text(r.col + std::max(1, (r.width - textCells(title)) / 2), r.row, title, Style::BoxTitle);
  const int page = r.height - 2;
  for (int i = 0; i < page; ++i) {
    size_t line = static_cast<size_t>(help_->top + i);
    if (line >= help_->lines.size()) break;
    canvas.text(r.col + 2, r.row + 1 + i, fitCells(help_->lines[line], r.width - 4), Style::Window);
  }
  canvas.text(r.col + 2, r.row + r.height - 1,
              std::wstring(L" Up/Down/PgUp/PgDn scroll, Esc closes "), Style::Border);
}

}  // namespace fesk::tui
