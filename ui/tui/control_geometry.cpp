#include "ui/tui/control_geometry.h"

#include <algorithm>

#include "ui/tui/text_cells.h"

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;

int thumbLine(int thumb, int top, int height) {
  const int track = height - 2;
  if (track < 1) return -1;
  const int offset =
      (apprt::thumbWithin(thumb) * (track - 1) + apprt::kThumbBottom / 2) / apprt::kThumbBottom;
  return top + 1 + offset;
}

ListParts listParts(const ControlView& list, const CellRect& rect, double unitsPerColumn) {
  ListParts parts;
  parts.columns = apprt::parseListFormat(list.format).value_or(std::vector<apprt::ListColumn>{});
  const bool header = std::any_of(parts.columns.begin(), parts.columns.end(),
                                  [](const apprt::ListColumn& c) { return c.hasHeader; });
  int line = rect.row;
  if (header && rect.height > 1) parts.headerRow = line++;
  parts.firstRow = line;
  parts.rowCount = std::clamp(rect.row + rect.height - line, 0, std::max(1, list.visibleRows));
  parts.rowsWidth = rect.width;
  if (list.scrollBar && rect.width > 1) {
    parts.barCol = rect.col + rect.width - 1;
    parts.rowsWidth = rect.width - 1;
    parts.thumbRow = thumbLine(list.thumb, rect.row, rect.height);
  }
  parts.edges = columnEdges(parts.columns, parts.rowsWidth, unitsPerColumn);
  if (parts.columns.empty()) parts.edges = {0, parts.rowsWidth};
  return parts;
}

std::optional<CellRect> listCell(const ControlView& list, const CellRect& rect,
                                 double unitsPerColumn, int row, int column) {
  ListParts parts = listParts(list, rect, unitsPerColumn);
  if (row < 1 || row > parts.rowCount || column < 1 ||
      column >= static_cast<int>(parts.edges.size()))
    return std::nullopt;
  CellRect cell;
  cell.col = rect.col + parts.edges[static_cast<size_t>(column - 1)];
  cell.width =
      parts.edges[static_cast<size_t>(column)] - parts.edges[static_cast<size_t>(column - 1)];
  cell.row = parts.firstRow + row - 1;
  cell.height = 1;
  if (cell.width <= 0) return std::nullopt;
  return cell;
}

std::vector<TabLabel> tabLabels(const apprt::WindowView& view, const ControlView& sheet,
                                const CellRect& rect) {
  std::vector<TabLabel> labels;
  int col = rect.col;
  for (const auto& c : view.controls) {
    if (c.kind != ControlKind::Tab || c.parent != sheet.field) continue;
    // "[label]" for the chosen tab, " label " for the others.
    int width = textCells(mnemonicCells(c.text).text) + 2;
    labels.push_back({c.field, CellRect{col, rect.row, width, 1}});
    col += width + 1;
  }
  return labels;
}

}  // namespace fesk::tui
