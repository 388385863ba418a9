#pragma once
// The frame's menu bar as the terminal shows it: its entries (menus and items
// placed directly on the bar) with their items, mnemonics and hints, where
// each entry stands on the bar's line, and moving through them by key; and
// the frame's tool bar.

#include <optional>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

struct MenuEntry {
  int field = 0;  // the control; 0 for a separator and for a window of the list
  bool submenu = false;
  bool separator = false;
  MnemonicCells text;
  std::string hint;
  bool enabled = true;
  int standardAction = 0;
  int window = 0;  // an entry of the window list: the window it activates
  std::vector<MenuEntry> items;
};

// The bar of a frame: its top-level menus and items in definition order.
// Hidden entries are left out.
std::vector<MenuEntry> buildMenuBar(const apprt::WindowView& frame);

// The buttons of the frame's tool bar, shown on the line under the menu bar;
// none while there is no frame.
std::vector<const apprt::ControlView*> toolbarButtons(
    const std::optional<apprt::WindowView>& frame);

// The column each entry's text starts at, on a bar whose entries are set two
// cells apart after a one-cell margin; the last value is where the bar's
// entries end.
std::vector<int> barColumns(const std::vector<MenuEntry>& bar);

// The index of the next entry from `from` in direction `step` (+1/-1) that a
// person can choose (not a separator, enabled), wrapping; -1 when none.
int nextChoosable(const std::vector<MenuEntry>& entries, int from, int step);

// The first entry after `from` (wrapping) whose mnemonic is `letter`
// (upper-case), and whether it is the only one; -1 when none.
struct MnemonicMatch {
  int index = -1;
  bool unique = false;
};
MnemonicMatch findMnemonic(const std::vector<MenuEntry>& entries, int letter, int from = -1);

}  // namespace fesk::tui
