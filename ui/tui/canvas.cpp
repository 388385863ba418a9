#include "ui/tui/canvas.h"

#include <curses.h>
#include <langinfo.h>

#include <cstring>
#include <cwctype>

#include "ui/tui/text_cells.h"

namespace fesk::tui {
namespace {

struct Look {
  short foreground, background;
  attr_t attributes;  // with colours
  attr_t monochrome;  // without them
};

// Indexed by Style.
constexpr Look kLooks[] = {
    {COLOR_WHITE, COLOR_BLUE, A_NORMAL, A_NORMAL},                          // Desktop
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},                         // Window
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_DIM},                            // Border
    {COLOR_BLUE, COLOR_WHITE, A_BOLD, A_BOLD},                              // ActiveBorder
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},                         // Title
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE},                           // ActiveTitle
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_REVERSE},                         // MenuBar
    {COLOR_WHITE, COLOR_BLACK, A_BOLD, A_NORMAL},                           // MenuHighlight
    {COLOR_BLUE, COLOR_CYAN, A_NORMAL, A_REVERSE | A_DIM},                  // MenuDisabled
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_REVERSE},                         // Status
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_UNDERLINE},                       // Entry
    {COLOR_BLACK, COLOR_YELLOW, A_NORMAL, A_UNDERLINE | A_BOLD},            // EntryFocused
    {COLOR_WHITE, COLOR_BLUE, A_NORMAL, A_REVERSE},                         // Selection
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},                         // Button
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE | A_BOLD},                  // ButtonFocused
    {COLOR_BLUE, COLOR_WHITE, A_DIM, A_DIM},                                // Disabled
    {COLOR_BLUE, COLOR_WHITE, A_BOLD | A_UNDERLINE, A_BOLD | A_UNDERLINE},  // ListHeader
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_REVERSE},                         // SelectedRow
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE | A_BOLD},                  // FocusedRow
    {COLOR_BLUE, COLOR_WHITE, A_NORMAL, A_NORMAL},                          // ScrollBar
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE},                           // BoxTitle
    {COLOR_WHITE, COLOR_RED, A_BOLD, A_REVERSE | A_BOLD},                   // WarningTitle
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},                         // Tab
    {COLOR_BLUE, COLOR_WHITE, A_BOLD, A_BOLD},                              // ChosenTab
    {COLOR_YELLOW, COLOR_RED, A_BOLD, A_REVERSE | A_BOLD},                  // Busy
};
static_assert(sizeof(kLooks) / sizeof(kLooks[0]) == static_cast<size_t>(Style::Count));

bool gColours = false;

constexpr Glyphs kUnicodeGlyphs = {L'─', L'│', L'┌', L'┐', L'└', L'┘',
                                   L'▲', L'▼', L'░', L'█', L'▼', L'>'};
constexpr Glyphs kAsciiGlyphs = {L'-', L'|', L'+', L'+', L'+', L'+',
                                 L'^', L'v', L':', L'#', L'v', L'>'};

attr_t attributesOf(Style style) {
  const Look& look = kLooks[static_cast<size_t>(style)];
  if (!gColours) return look.monochrome;
  return look.attributes | COLOR_PAIR(static_cast<int>(style) + 1);
}

}  // namespace

void Canvas::setUpColours() {
  gColours = has_colors() && start_color() == OK && COLOR_PAIRS > static_cast<int>(Style::Count);
  if (!gColours) return;
  for (size_t i = 0; i < static_cast<size_t>(Style::Count); ++i)
    init_pair(static_cast<short>(i + 1), kLooks[i].foreground, kLooks[i].background);
}

bool Canvas::unicode() {
  // Asked once, on the terminal's own thread, after the session set the locale.
  static const bool utf8 =
      std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;  // NOLINT(concurrency-mt-unsafe)
  return utf8;
}

const Glyphs& Canvas::glyphs() {
  return unicode() ? kUnicodeGlyphs : kAsciiGlyphs;
}

Canvas::Canvas() : cols_(COLS), rows_(LINES), clip_{0, 0, COLS, LINES} {}

void Canvas::clipTo(const CellRect& clip) {
  int left = std::max(0, clip.col), top = std::max(0, clip.row);
  int right = std::min(cols_, clip.col + clip.width);
  int bottom = std::min(rows_, clip.row + clip.height);
  clip_ = CellRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

void Canvas::clipToScreen() {
  clip_ = CellRect{0, 0, cols_, rows_};
}

void Canvas::put(int col, int row, wchar_t c, Style style) {
  text(col, row, std::wstring_view(&c, 1), style);
}

int Canvas::text(int col, int row, std::wstring_view text, Style style, bool underline) {
  attr_t attributes = attributesOf(style) | (underline ? A_UNDERLINE : A_NORMAL);
  const short pair = static_cast<short>(PAIR_NUMBER(attributes));
  attributes &= ~A_COLOR;
  const bool rowVisible = row >= clip_.row && row < clip_.row + clip_.height;
  for (wchar_t c : text) {
    // What a terminal cannot show as it is stands as a replacement mark.
    if (!std::iswprint(static_cast<wint_t>(c)) || (!unicode() && c > 0x7E)) c = L'?';
    const int cells = charCells(c);
    if (rowVisible && cells > 0 && col >= clip_.col && col + cells <= clip_.col + clip_.width) {
      wchar_t one[2] = {c, 0};
      cchar_t cell;
      setcchar(&cell, one, attributes, pair, nullptr);
      mvadd_wch(row, col, &cell);
    }
    col += cells;
  }
  return col;
}

int Canvas::text(int col, int row, std::string_view utf8, Style style) {
  return text(col, row, decodeUtf8(utf8), style);
}

int Canvas::mnemonic(int col, int row, std::string_view utf8, Style style, int maxCells) {
  MnemonicCells m = mnemonicCells(utf8);
  std::wstring shown = fitCells(m.text, maxCells);
  for (size_t i = 0; i < shown.size(); ++i)
    col = text(col, row, std::wstring_view(&shown[i], 1), style, static_cast<int>(i) == m.marked);
  return col;
}

void Canvas::placeCursor(bool shown, int col, int row) {
  if (shown) move(row, col);
  curs_set(shown ? 1 : 0);
}

void Canvas::bell() {
  beep();
}

void Canvas::fill(const CellRect& area, Style style, wchar_t c) {
  std::wstring line(static_cast<size_t>(std::max(0, area.width)), c);
  for (int r = area.row; r < area.row + area.height; ++r) text(area.col, r, line, style);
}

void Canvas::box(const CellRect& a, Style style) {
  if (a.width < 2 || a.height < 2) return;
  const Glyphs& g = glyphs();
  std::wstring middle(static_cast<size_t>(a.width - 2), g.horizontal);
  text(a.col, a.row, std::wstring(1, g.topLeft) + middle + g.topRight, style);
  text(a.col, a.row + a.height - 1, std::wstring(1, g.bottomLeft) + middle + g.bottomRight, style);
  for (int r = a.row + 1; r < a.row + a.height - 1; ++r) {
    put(a.col, r, g.vertical, style);
    put(a.col + a.width - 1, r, g.vertical, style);
  }
}

}  // namespace fesk::tui
