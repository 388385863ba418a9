#pragma once
// Where the parts of controls lie on the grid, shared by painting and by
// finding what a mouse click hit: a list's header, rows, columns and scroll
// bar; a sheet's tabs; a cell of a list that an edit control is laid over.

#include <optional>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/tui/layout.h"

namespace fesk::tui {

struct ListParts {
  std::vector<apprt::ListColumn> columns;
  std::vector<int> edges;  // column edges, relative to the list's left
  int headerRow = -1;      // -1 when no column has a header
  int firstRow = 0;        // the line of row 1
  int rowCount = 0;        // lines for rows (the visible rows that fit)
  int rowsWidth = 0;       // cells left of the scroll bar
  int barCol = -1;         // the scroll bar's column, -1 when it is hidden
  int thumbRow = -1;       // the thumb's line when the bar has a track
};
// The line of a vertical scroll bar's thumb at `thumb` (kThumbTop..kThumbBottom)
// when the bar runs `height` lines from `top`, an arrow at each end and the
// track between; -1 when the bar is too short for a track.
int thumbLine(int thumb, int top, int height);

ListParts listParts(const apprt::ControlView& list, const CellRect& rect, double unitsPerColumn);

// The cells of column `column` (1-based) in row `row` (1-based) of a list.
std::optional<CellRect> listCell(const apprt::ControlView& list, const CellRect& rect,
                                 double unitsPerColumn, int row, int column);

// The tabs of a sheet and where each one's label stands on its tab strip.
struct TabLabel {
  int field = 0;
  CellRect rect;
};
std::vector<TabLabel> tabLabels(const apprt::WindowView& view, const apprt::ControlView& sheet,
                                const CellRect& rect);

}  // namespace fesk::tui
