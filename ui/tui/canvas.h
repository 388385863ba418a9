#pragma once
// Drawing on the terminal's screen: text in cells, clipped to a rectangle
// (a window's inside), in a style that maps to colours where the terminal has
// them and to attributes (reverse, bold, underline) where it does not.

#include <string>
#include <string_view>

#include "ui/tui/layout.h"

namespace fesk::tui {

enum class Style {
  Desktop,
  Window,
  Border,
  ActiveBorder,
  Title,
  ActiveTitle,
  MenuBar,
  MenuHighlight,
  MenuDisabled,
  Status,
  Entry,
  EntryFocused,
  Selection,
  Button,
  ButtonFocused,
  Disabled,
  ListHeader,
  SelectedRow,
  FocusedRow,
  ScrollBar,
  BoxTitle,
  WarningTitle,
  Tab,
  ChosenTab,
  Busy,
  Count
};

// Line and symbol characters: box drawing where the locale is UTF-8, ASCII
// elsewhere.
struct Glyphs {
  wchar_t horizontal, vertical, topLeft, topRight, bottomLeft, bottomRight;
  wchar_t up, down, track, thumb, drop, marker;
};

class Canvas {
 public:
  // Sets up colours when the terminal has them; needs an initialised screen.
  static void setUpColours();
  static const Glyphs& glyphs();
  static bool unicode();

  Canvas();  // the whole screen
  int cols() const { return cols_; }
  int rows() const { return rows_; }

  // Limits drawing to `clip` (in screen cells) until the next call.
  void clipTo(const CellRect& clip);
  void clipToScreen();

  // Draws text from (col, row); answers the column after it.
  int text(int col, int row, std::wstring_view text, Style style, bool underline = false);
  int text(int col, int row, std::string_view utf8, Style style);
  // Draws a mnemonic text ("&Insert"), its marked letter underlined.
  int mnemonic(int col, int row, std::string_view utf8, Style style, int maxCells);
  void fill(const CellRect& area, Style style, wchar_t c = L' ');
  void box(const CellRect& area, Style style);
  void put(int col, int row, wchar_t c, Style style);
  // Shows the terminal's cursor at a cell, or hides it.
  static void placeCursor(bool shown, int col, int row);
  // Sounds the terminal's bell (or flashes the screen where it has none).
  static void bell();

 private:
  int cols_, rows_;
  CellRect clip_;
};

}  // namespace fesk::tui
