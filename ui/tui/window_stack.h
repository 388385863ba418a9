#pragma once
// The program's windows on the terminal, overlapping in the client area, the
// active one on top: where each stands, Tile and Cascade, and which one is
// active. It tells the runtime of every activation and every size change.
// Tiled windows follow the terminal's size, as a maximized window follows its
// frame: they are tiled anew when the terminal is resized and grow with it;
// other windows have their definition's size, grown in its proportions on a
// terminal with room for more, so that a wide terminal's width is used.

#include <map>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/tui/menu_bar.h"
#include "ui/tui/shown_window.h"

namespace fesk::tui {

class WindowStack {
 public:
  explicit WindowStack(const InputSink& send) : send_(send) {}

  // A window opened (placed as Cascade would place it) or changed;
  // `menuKeys`, the Alt keys of the menu bar, which its buttons leave alone.
  void show(const apprt::WindowView& view, const CellRect& area, const std::string& menuKeys = {});
  void close(int handle);
  // Lays every window out anew in `area`; tiled windows are tiled again.
  void rearrange(const CellRect& area);
  void tile(const CellRect& area);
  void cascade(const CellRect& area);

  ShownWindow* active();
  const ShownWindow* active() const;
  const ShownWindow* find(int handle) const;
  // The window on top at a cell, if any.
  ShownWindow* at(int col, int row);
  // Bottom to top: the last is the active window.
  const std::vector<int>& order() const { return order_; }
  bool anyBusy() const;

  // Makes a window the active one; answers whether the active window changed.
  bool activate(int handle);
  // Activates the next window (step 1: the bottom one comes to the top) or
  // the previous one (step -1: the top one goes to the bottom).
  bool cycle(int step);
  // Entries for the window menu, the active window first, numbered 1 to 9.
  std::vector<MenuEntry> menuItems() const;

 private:
  void place(ShownWindow& w, int index, const CellRect& area);
  // Gives a window that is not tiled its size: its layout's, or grown in its
  // definition's proportions where a large terminal has room for more; the
  // runtime is told it.
  void size(ShownWindow& w, const CellRect& area);
  // Tells the runtime the window's size in dialog units when it differs from
  // the size told before: its controls anchor to it and its list shows the
  // rows that fit, through the window's ordinary refresh.
  void tellSize(ShownWindow& w);

  const InputSink& send_;
  std::map<int, ShownWindow> windows_;
  std::vector<int> order_;  // bottom to top
  int opened_ = 0;          // windows opened so far, for cascading new ones
};

}  // namespace fesk::tui
