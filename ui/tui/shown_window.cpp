#include "ui/tui/shown_window.h"

#include <algorithm>

#include "runtime/text/added_mnemonic.h"
#include "runtime/text/mnemonic.h"
#include "ui/tui/control_geometry.h"

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;

namespace {

// Room enough for any window at the natural scale.
constexpr int kUnbounded = 1 << 16;

// The dialog units of one list row below its header, as the runtime counts
// a list's visible rows.
constexpr int kUnitsPerListRow = 7;

}  // namespace

void ShownWindow::take(const apprt::WindowView& sent, const std::string& menuKeys) {
  view = sent;
  addedMnemonics.clear();
  std::string taken = menuKeys;
  for (const ControlView& c : view.controls)
    if (const int key = apprt::mnemonicKey(c.text)) taken += static_cast<char>(key);
  for (ControlView& c : view.controls) {
    if (c.kind != ControlKind::Button || c.inToolbar || apprt::mnemonicKey(c.text)) continue;
    c.text = apprt::withAddedMnemonic(c.text, taken);
    if (const int key = apprt::mnemonicKey(c.text)) addedMnemonics[key] = c.field;
  }
}

void ShownWindow::arrange(const CellRect& area) {
  if (grown) {
    outer.width = std::min(outer.width, area.width);
    outer.height = std::min(outer.height, area.height);
  }
  const bool sized = tiled || grown;
  const int maxCols = (sized ? outer.width : area.width) - 2;
  const int maxRows = (sized ? outer.height : area.height) - 2;
  layout = layoutWindow(view, std::max(1, maxCols), std::max(1, maxRows));
  if (!sized) {
    outer.width = std::min(layout.cols + 2, area.width);
    outer.height = std::min(layout.rows + 2, area.height);
  }
  outer.col =
      std::clamp(outer.col, area.col, std::max(area.col, area.col + area.width - outer.width));
  outer.row =
      std::clamp(outer.row, area.row, std::max(area.row, area.row + area.height - outer.height));
}

void ShownWindow::noteDefinedSize() {
  const WindowLayout natural = layoutWindow(view, kUnbounded, kUnbounded);
  definedCols = natural.cols;
  definedRows = natural.rows;
  told = {view.width, view.height};
}

UnitSize ShownWindow::shownUnits() const {
  UnitSize size{view.width, view.height};
  if (!tiled && !grown) return size;
  const CellRect in = inside();
  size.width += static_cast<int>(std::max(0, in.width - definedCols) * kUnitsPerColumn);
  size.height += std::max(0, in.height - definedRows) * kUnitsPerListRow;
  return size;
}

std::optional<CellRect> ShownWindow::controlRect(const ControlView& c) const {
  const CellRect in = inside();
  if (c.overList) {
    const ControlView* list = view.control(c.overList);
    if (!list) return std::nullopt;
    auto listRect = controlRect(*list);
    if (!listRect) return std::nullopt;
    return listCell(*list, *listRect, layout.unitsPerColumn, list->selected, c.overColumn);
  }
  auto it = layout.controls.find(c.field);
  if (it == layout.controls.end()) return std::nullopt;
  CellRect r = it->second;
  r.col += in.col;
  r.row += in.row;
  return r;
}

namespace {

Hit listHit(const ShownWindow& w, const ControlView& list, const CellRect& rect, int col, int row) {
  Hit hit{Hit::Part::Control, list.field, 0, col - rect.col};
  ListParts parts = listParts(list, rect, w.layout.unitsPerColumn);
  if (col == parts.barCol) {
    if (row == rect.row)
      hit.part = Hit::Part::LineUp;
    else if (row == rect.row + rect.height - 1)
      hit.part = Hit::Part::LineDown;
    else if (parts.thumbRow < 0 || row == parts.thumbRow)
      hit.part = Hit::Part::Thumb;
    else
      hit.part = row < parts.thumbRow ? Hit::Part::PageUp : Hit::Part::PageDown;
    return hit;
  }
  if (row == parts.headerRow) {
    hit.part = Hit::Part::Header;
  } else if (row >= parts.firstRow && row < parts.firstRow + parts.rowCount) {
    hit.part = Hit::Part::Row;
    hit.index = row - parts.firstRow + 1;
  }
  return hit;
}

}  // namespace

Hit hitTest(const ShownWindow& w, int col, int row) {
  if (!w.outer.contains(col, row)) return {};
  if (w.closeBox().contains(col, row)) return {Hit::Part::CloseBox};
  if (!w.inside().contains(col, row)) return {Hit::Part::Border};
  // What is drawn last lies on top: controls laid over list cells, then the
  // controls in reverse order, sheets last of all.
  const auto& controls = w.view.controls;
  for (int pass = 0; pass < 3; ++pass) {
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
      const ControlView& c = *it;
      const bool over = c.overList != 0, sheet = c.kind == ControlKind::Sheet;
      if ((pass == 0) != over || (pass == 2) != sheet) continue;
      if (!w.view.shows(c)) continue;
      auto rect = w.controlRect(c);
      if (!rect || !rect->contains(col, row)) continue;
      switch (c.kind) {
        case ControlKind::List:
          return listHit(w, c, *rect, col, row);
        case ControlKind::Sheet: {
          int index = 0;
          for (const auto& label : tabLabels(w.view, c, *rect)) {
            ++index;
            if (label.rect.contains(col, row)) return {Hit::Part::Tab, c.field, index, 0};
          }
          continue;  // the sheet's face lies under the controls on it
        }
        case ControlKind::DropList:
        case ControlKind::DropCombo:
          if (col == rect->col + rect->width - 1) return {Hit::Part::DropButton, c.field};
          return {Hit::Part::Control, c.field, 0, col - rect->col};
        default:
          return {Hit::Part::Control, c.field, 0, col - rect->col};
      }
    }
  }
  return {};
}

}  // namespace fesk::tui
