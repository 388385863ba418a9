#include "ui/tui/layout.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;

namespace {

// The coarsest scales tried before giving up on fitting: a window that does
// not fit even then is shown cut at the screen's edge.
constexpr double kScaleStep = 0.25;
constexpr double kMaxScaleFactor = 8.0;

int cellOf(int units, double unitsPerCell) {
  return static_cast<int>(std::lround(units / unitsPerCell));
}

bool isPlaced(const ControlView& c) {
  if (c.inToolbar || c.overList) return false;
  switch (c.kind) {
    case ControlKind::Prompt:
    case ControlKind::Entry:
    case ControlKind::Button:
    case ControlKind::List:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::Sheet:
      return true;
    default:
      return false;
  }
}

// A control's extent in dialog units; a definition may leave a prompt's size
// to its text.
apprt::Rect extentOf(const ControlView& c) {
  apprt::Rect r = c.rect;
  if (r.width <= 0) r.width = std::max<int>(4, static_cast<int>(c.text.size()) * 4);
  if (r.height <= 0) r.height = 10;
  return r;
}

struct Axis {
  std::map<int, int> edges;
  double unitsPerCell;
  int cells;
};

// The finest scale, from `natural` up, at which the spans fit in `maxCells`.
Axis fit(const std::vector<Span>& spans, int extent, double natural, int maxCells) {
  Axis axis{};
  for (double scale = natural; scale <= natural * kMaxScaleFactor; scale += kScaleStep) {
    axis.edges = placeEdges(spans, extent, scale);
    axis.unitsPerCell = scale;
    axis.cells = axis.edges.rbegin()->second;
    if (axis.cells <= maxCells) break;
  }
  return axis;
}

}  // namespace

std::map<int, int> placeEdges(const std::vector<Span>& spans, int extent, double unitsPerCell) {
  std::set<int> values{0, extent};
  for (const Span& s : spans) {
    values.insert(s.start);
    values.insert(s.end);
  }
  std::map<int, int> cells;
  int previous = 0;
  for (int v : values) {
    int cell = std::max(previous, cellOf(v, unitsPerCell));
    for (const Span& s : spans) {
      if (s.start >= v) continue;
      if (s.end == v) cell = std::max(cell, cells[s.start] + s.minCells);
      if (s.opensBelow && v <= s.end) cell = std::max(cell, cells[s.start] + 1);
    }
    cells[v] = cell;
    previous = cell;
  }
  return cells;
}

int minimumLines(const ControlView& c) {
  if (c.kind != ControlKind::List) return 1;
  auto columns = apprt::parseListFormat(c.format).value_or(std::vector<apprt::ListColumn>{});
  bool header = std::any_of(columns.begin(), columns.end(),
                            [](const apprt::ListColumn& col) { return col.hasHeader; });
  return (header ? 1 : 0) + std::max(1, c.visibleRows);
}

WindowLayout layoutWindow(const apprt::WindowView& view, int maxCols, int maxRows) {
  std::vector<Span> across, down;
  int width = view.width, height = view.height;
  for (const ControlView& c : view.controls) {
    if (!isPlaced(c)) continue;
    apprt::Rect r = extentOf(c);
    across.push_back({r.x, r.x + r.width, 1, false});
    down.push_back({r.y, r.y + r.height, minimumLines(c), c.kind == ControlKind::Sheet});
    width = std::max(width, r.x + r.width);
    height = std::max(height, r.y + r.height);
  }
  Axis x = fit(across, width, kUnitsPerColumn, maxCols);
  Axis y = fit(down, height, kUnitsPerLine, maxRows);

  WindowLayout layout;
  layout.cols = x.cells;
  layout.rows = y.cells;
  layout.unitsPerColumn = x.unitsPerCell;
  layout.unitsPerLine = y.unitsPerCell;
  for (const ControlView& c : view.controls) {
    if (!isPlaced(c)) continue;
    apprt::Rect r = extentOf(c);
    CellRect cell;
    cell.col = x.edges[r.x];
    cell.width = x.edges[r.x + r.width] - cell.col;
    cell.row = y.edges[r.y];
    cell.height = y.edges[r.y + r.height] - cell.row;
    layout.controls[c.field] = cell;
  }
  return layout;
}

std::vector<int> columnEdges(const std::vector<apprt::ListColumn>& columns, int width,
                             double unitsPerColumn) {
  std::vector<int> edges{0};
  int units = 0;
  for (const auto& column : columns) {
    units += column.width;
    edges.push_back(std::min(width, cellOf(units, unitsPerColumn)));
  }
  // The last column takes what is left of the list, as a header does.
  if (edges.size() > 1) edges.back() = width;
  return edges;
}

}  // namespace fesk::tui
