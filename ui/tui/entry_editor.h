#pragma once
// Editing the focused entry: the text as characters, a cursor, and the whole
// text selected when the entry was entered by a key (typing then replaces it).
// The entry's picture limits the text in characters; an edit that would pass
// the limit is refused whole.

#include <cstddef>
#include <string>

#include "ui/tui/key_decoding.h"

namespace fesk::tui {

class EntryEditor {
 public:
  // Starts editing `text` (UTF-8) under a limit of `maxCharacters` (0 = none).
  void start(const std::string& text, size_t maxCharacters, bool selectAll);
  // Shows a value the program set, keeping the selection state.
  void replace(const std::string& text);

  // Each answers whether the text changed; refused edits answer false and
  // set refused().
  bool insert(wchar_t c);
  bool backspace();
  bool deleteForward();
  void left();
  void right();
  void home();
  void end();
  void placeCursor(int cells);  // a click: the cursor goes to that cell

  std::string text() const;
  const std::wstring& characters() const { return text_; }
  size_t cursor() const { return cursor_; }  // in characters
  int cursorCells() const;                   // where the cursor is shown
  bool allSelected() const { return selectAll_; }
  bool refused() const { return refused_; }

 private:
  bool fits(const std::wstring& text) const;
  bool dropSelection();

  std::wstring text_;
  size_t cursor_ = 0;
  size_t maxCharacters_ = 0;
  bool selectAll_ = false;
  bool refused_ = false;
};

// Applies an editing key (a character typed, Backspace, Delete, Left, Right,
// Home, End) to `editor`: false when the key is none of these. `changed`
// tells whether the text changed; a refused character sets refused().
bool applyEditingKey(EntryEditor& editor, const DecodedKey& key, bool& changed);

}  // namespace fesk::tui
