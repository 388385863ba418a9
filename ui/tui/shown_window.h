#pragma once
// A window on the terminal's screen: what the runtime last sent of it, its
// layout, where it stands, and what lies under a cell of it.

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "runtime/frontend/frontend.h"
#include "ui/tui/layout.h"

namespace fesk::tui {

// Where what the user does on the terminal goes: the runtime, or a test's record.
using InputSink = std::function<void(const apprt::Input&)>;

// A window's size in dialog units, as the runtime is told it.
struct UnitSize {
  int width = 0, height = 0;
  bool operator==(const UnitSize&) const = default;
};

struct ShownWindow {
  apprt::WindowView view;
  WindowLayout layout;
  CellRect outer;      // with its border, in screen cells
  bool tiled = false;  // its size was given by Tile rather than by its layout
  // Its size was given by the room of a large terminal: its definition's
  // proportions, grown to use the width (and height) the terminal gives.
  bool grown = false;
  // Its inside at its definition's size and the natural scale, from the view
  // it was opened with (before any size was told).
  int definedCols = 0, definedRows = 0;
  UnitSize told;  // the size the runtime was last told (at first, the definition's)
  // Buttons that the definition gave no mnemonic have one added to their
  // text in `view`: the Alt key of each, and the button it presses.
  std::map<int, int> addedMnemonics;

  // Takes what the runtime sent of the window, with mnemonics added to its
  // buttons that have none, clashing with no other and none of `menuKeys`.
  void take(const apprt::WindowView& sent, const std::string& menuKeys);

  CellRect inside() const {
    return {outer.col + 1, outer.row + 1, outer.width - 2, outer.height - 2};
  }
  // Lays the window out anew for what it shows, within `area` (its own size
  // when tiled or grown); keeps it inside the area.
  void arrange(const CellRect& area);
  // Notes the definition's cells from the view the window opens with.
  void noteDefinedSize();
  // The size the window is shown at, in dialog units, by which the runtime
  // anchors its controls: the definition's for a window laid out by its own
  // size; a tiled or grown window's cells beyond its definition's added at the natural
  // scale across and one list row per line down, so that its list shows a
  // row more for every line the window has more.
  UnitSize shownUnits() const;
  // Where a control stands on the screen; nothing for one that is not placed.
  std::optional<CellRect> controlRect(const apprt::ControlView& control) const;
  // The close box on the top border.
  CellRect closeBox() const { return {outer.col + outer.width - 4, outer.row, 3, 1}; }
};

// What a cell of a window holds.
struct Hit {
  enum class Part {
    Nothing,
    CloseBox,
    Border,
    Control,
    Row,
    Header,
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Thumb,
    Tab,
    DropButton
  };
  Part part = Part::Nothing;
  int field = 0;
  int index = 0;   // the row (1-based) or the tab (1-based)
  int offset = 0;  // cells from the control's left edge
};
Hit hitTest(const ShownWindow& window, int col, int row);

}  // namespace fesk::tui
