#pragma once
// Paints one window of the program: its border and title, then its controls
// as the runtime last described them.

#include <optional>

#include "ui/tui/canvas.h"
#include "ui/tui/entry_editor.h"
#include "ui/tui/shown_window.h"

namespace fesk::tui {

struct Cursor {
  int col = 0, row = 0;
};

// `editor` is the edit state of the window's focused entry while the window is
// the active one. Answers where the terminal's cursor belongs, if anywhere.
std::optional<Cursor> paintWindow(Canvas& canvas, const ShownWindow& window, bool active,
                                  const EntryEditor* editor);

// A vertical scroll bar in column `col`, `height` lines from `top`: an arrow
// at each end, the track between, the thumb on line `thumbRow`.
void paintScrollBar(Canvas& canvas, int col, int top, int height, int thumbRow);

}  // namespace fesk::tui
