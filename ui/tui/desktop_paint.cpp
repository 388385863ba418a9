// Painting the desktop: the client area and its windows from the bottom up,
// then the menu bar, tool bar, status line, open menus and boxes on top.

#include <algorithm>

#include "ui/tui/control_geometry.h"
#include "ui/tui/desktop.h"
#include "ui/tui/text_cells.h"
#include "ui/tui/window_painter.h"

namespace fesk::tui {

using apprt::ControlView;

namespace {

constexpr const wchar_t* kSpinner = L"|/-\\";
constexpr const wchar_t* kKeysHelp = L"F10 Menu  Ctrl+F6 Next window";

void paintToolbar(Canvas& canvas, const std::vector<const ControlView*>& buttons, int cols) {
  canvas.fill({0, 1, cols, 1}, Style::Window);
  int col = 1;
  for (const ControlView* button : buttons) {
    const int label = textCells(mnemonicCells(button->text).text);
    Style style = button->enabled ? Style::Button : Style::Disabled;
    canvas.text(col, 1, std::wstring(L"[ "), style);
    canvas.mnemonic(col + 2, 1, button->text, style, label);
    canvas.text(col + 2 + label, 1, std::wstring(L" ]"), style);
    col += label + 5;
  }
}

// The status line: the hint on the left; the keys, and whether the program
// works or rang the bell, on the right.
void paintStatus(Canvas& canvas, const std::string& hint, int cols, int row, bool busy, int spinner,
                 bool bell) {
  canvas.fill({0, row, cols, 1}, Style::Status);
  std::wstring right = kKeysHelp;
  if (busy) right = std::wstring(L"Working ") + kSpinner[spinner % 4] + L"  " + right;
  const int rightCol = std::max(0, cols - textCells(right) - 1);
  canvas.text(1, row, fitCells(decodeUtf8(hint), std::max(0, rightCol - 2)), Style::Status);
  canvas.text(rightCol, row, fitCells(right, cols), busy ? Style::Busy : Style::Status);
  if (bell) canvas.text(std::max(0, rightCol - 8), row, std::wstring(L" Bell! "), Style::Busy);
}

void paintPopup(Canvas& canvas, const Desktop::Popup& popup) {
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
  paintScrollBar(canvas, r.col + r.width - 1, r.row, r.height, thumbLine(c.thumb, r.row, r.height));
}

}  // namespace

void Desktop::paint(Canvas& canvas) {
  canvas.clipToScreen();
  canvas.fill(clientArea(), Style::Desktop);
  std::optional<Cursor> cursor;
  for (int handle : windows_.order()) {
    const ShownWindow& w = *windows_.find(handle);
    const bool top = handle == windows_.order().back();
    auto at = paintWindow(canvas, w, top, top && entry_.editing(w) ? &entry_.editor() : nullptr);
    if (top) cursor = at;
  }
  menu_.paintBar(canvas, cols_);
  if (clientArea().row == 2) paintToolbar(canvas, toolbarButtons(frame_), cols_);
  paintStatus(canvas, statusText(), cols_, rows_ - 1, windows_.anyBusy(), spinner_,
              std::chrono::steady_clock::now() < bellUntil_);
  if (menu_.dropped()) {
    menu_.paintDropDown(canvas, cols_);
    cursor.reset();
  }
  if (auto popup = openDrop()) {
    paintPopup(canvas, *popup);
    cursor.reset();
  }
  boxes_.paint(canvas, cursor);
  if (help_.shown()) {
    help_.paint(canvas, cols_, rows_);
    cursor.reset();
  }
  if (menu_.isOpen() && !menu_.dropped()) cursor.reset();
  Canvas::placeCursor(cursor.has_value(), cursor ? cursor->col : 0, cursor ? cursor->row : 0);
  ++spinner_;
}

}  // namespace fesk::tui
