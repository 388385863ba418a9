#pragma once
// Window layout on a character grid. Window definitions place controls in
// dialog units; a terminal has cells. The natural scale is 4 units per column
// and 8 per line, but a terminal is small: a window that does not fit is laid
// out at a coarser scale, and every control keeps the lines it cannot do
// without (a list needs its header and one line per visible row, since it
// shows exactly the rows of a page), so that controls never overlap.

#include <map>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "runtime/text/list_format.h"

namespace fesk::tui {

struct CellRect {
  int col = 0, row = 0, width = 0, height = 0;
  bool contains(int c, int r) const {
    return c >= col && c < col + width && r >= row && r < row + height;
  }
  bool operator==(const CellRect&) const = default;
};

inline constexpr double kUnitsPerColumn = 4.0;
inline constexpr double kUnitsPerLine = 8.0;

// One extent along an axis, in dialog units: [start, end), which needs at
// least `minCells` cells. With `opensBelow`, everything that starts inside it
// after its start begins at least one cell further on (a sheet's tab strip).
struct Span {
  int start = 0, end = 0;
  int minCells = 1;
  bool opensBelow = false;
};

// Places the edges of the spans on cells at `unitsPerCell`, keeping their
// order and each span's minimum. Answers the cell of every edge value.
std::map<int, int> placeEdges(const std::vector<Span>& spans, int extent, double unitsPerCell);

struct WindowLayout {
  int cols = 0, rows = 0;  // the window's inside, without its border
  double unitsPerColumn = kUnitsPerColumn;
  double unitsPerLine = kUnitsPerLine;
  std::map<int, CellRect> controls;  // by field; relative to the inside
};

// Lines a control needs whatever the scale.
int minimumLines(const apprt::ControlView& control);

// Lays out the window's controls to fit maxCols x maxRows cells where it can:
// the natural scale when it fits, else the finest coarser scale that does.
// Controls laid over a list's cell, tabs, menus and tool-bar buttons are not
// placed here.
WindowLayout layoutWindow(const apprt::WindowView& view, int maxCols, int maxRows);

// The cells of a list's columns inside a list `width` cells wide: the left
// edge of each column and of the end of the last one.
std::vector<int> columnEdges(const std::vector<apprt::ListColumn>& columns, int width,
                             double unitsPerColumn);

}  // namespace fesk::tui
