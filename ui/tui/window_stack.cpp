#include "ui/tui/window_stack.h"

#include <algorithm>
#include <cmath>

namespace fesk::tui {

using apprt::Input;
using apprt::WindowView;

namespace {

// New windows stand a little lower and to the right of the one before, as
// Cascade sets them, so that each one's title stays in view.
constexpr int kCascadeSteps = 8;
constexpr int kCascadeCols = 2;

// A window grows with a large terminal once it can be made this much larger
// in both directions: a little more room is not worth a changed layout.
constexpr double kLeastGrowth = 1.25;

}  // namespace

void WindowStack::tellSize(ShownWindow& w) {
  const UnitSize shown = w.shownUnits();
  if (shown == w.told) return;
  w.told = shown;
  send_(Input::resize(w.view.handle, shown.width, shown.height));
}

void WindowStack::show(const WindowView& view, const CellRect& area, const std::string& menuKeys) {
  auto it = windows_.find(view.handle);
  if (it == windows_.end()) {
    ShownWindow& w = windows_[view.handle];
    w.take(view, menuKeys);
    w.noteDefinedSize();
    place(w, opened_++, area);
    order_.push_back(view.handle);
  } else {
    it->second.take(view, menuKeys);
    it->second.arrange(area);
  }
}

void WindowStack::close(int handle) {
  windows_.erase(handle);
  std::erase(order_, handle);
}

void WindowStack::place(ShownWindow& w, int index, const CellRect& area) {
  const int step = index % kCascadeSteps;
  w.tiled = false;
  w.outer = {area.col + step * kCascadeCols, area.row + step, 0, 0};
  size(w, area);
}

void WindowStack::size(ShownWindow& w, const CellRect& area) {
  w.grown = false;
  w.arrange(area);
  // The room right of and below where it stands, in its definition's
  // proportions, so that a large terminal's width is used as well as its height.
  const int cols = w.definedCols + 2, rows = w.definedRows + 2;
  const double growth = std::min(static_cast<double>(area.col + area.width - w.outer.col) / cols,
                                 static_cast<double>(area.row + area.height - w.outer.row) / rows);
  if (growth >= kLeastGrowth) {
    w.outer.width = static_cast<int>(cols * growth);
    w.outer.height = static_cast<int>(rows * growth);
    w.grown = true;
    w.arrange(area);
  }
  tellSize(w);
}

void WindowStack::rearrange(const CellRect& area) {
  const bool tiled = std::any_of(windows_.begin(), windows_.end(),
                                 [](const auto& entry) { return entry.second.tiled; });
  if (tiled) {
    tile(area);
    return;
  }
  for (auto& [handle, w] : windows_) size(w, area);
}

void WindowStack::tile(const CellRect& area) {
  const int n = static_cast<int>(order_.size());
  if (n == 0) return;
  const int across = static_cast<int>(std::ceil(std::sqrt(n)));
  const int down = (n + across - 1) / across;
  for (int i = 0; i < n; ++i) {
    ShownWindow& w = windows_[order_[static_cast<size_t>(i)]];
    const int col = i % across, row = i / across;
    // The last row shares its width among the windows left for it.
    const int inRow = row == down - 1 ? n - row * across : across;
    w.tiled = true;
    w.outer.col = area.col + col * area.width / inRow;
    w.outer.width = area.col + (col + 1) * area.width / inRow - w.outer.col;
    w.outer.row = area.row + row * area.height / down;
    w.outer.height = area.row + (row + 1) * area.height / down - w.outer.row;
    w.arrange(area);
    tellSize(w);
  }
}

void WindowStack::cascade(const CellRect& area) {
  int index = 0;
  for (int handle : order_) place(windows_[handle], index++, area);
}

ShownWindow* WindowStack::active() {
  return order_.empty() ? nullptr : &windows_[order_.back()];
}

const ShownWindow* WindowStack::active() const {
  return order_.empty() ? nullptr : &windows_.at(order_.back());
}

const ShownWindow* WindowStack::find(int handle) const {
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : &it->second;
}

ShownWindow* WindowStack::at(int col, int row) {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    ShownWindow& w = windows_[*it];
    if (w.outer.contains(col, row)) return &w;
  }
  return nullptr;
}

bool WindowStack::anyBusy() const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [](const auto& entry) { return entry.second.view.busy; });
}

bool WindowStack::activate(int handle) {
  if (!windows_.count(handle)) return false;
  if (!order_.empty() && order_.back() == handle) return false;
  std::erase(order_, handle);
  order_.push_back(handle);
  send_(Input::activate(handle));
  return true;
}

bool WindowStack::cycle(int step) {
  if (order_.size() < 2) return false;
  if (step > 0) return activate(order_.front());
  int top = order_.back();
  order_.pop_back();
  order_.insert(order_.begin(), top);
  send_(Input::activate(order_.back()));
  return true;
}

std::vector<MenuEntry> WindowStack::menuItems() const {
  std::vector<MenuEntry> items;
  int number = 0;
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    MenuEntry e;
    ++number;
    std::string label = number <= 9 ? "&" + std::to_string(number) + " " : "   ";
    e.text = mnemonicCells(label + windows_.at(*it).view.title);
    e.window = *it;
    e.hint = "Make this window the active one";
    items.push_back(std::move(e));
  }
  return items;
}

}  // namespace fesk::tui
