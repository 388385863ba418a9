#pragma once
// A message box on the terminal: the text wrapped to fit, its buttons in a row
// under it, the default button focused, centred on the screen. It answers
// once, with the value of the button chosen. A box may also ask for a line of
// text (a file name) in an entry between the text and the buttons.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/tui/entry_editor.h"
#include "ui/tui/layout.h"

namespace fesk::tui {

// Breaks text into lines of at most `width` cells, at spaces where it can;
// the text's own line breaks are kept.
std::vector<std::wstring> wrapText(std::wstring_view text, int width);

struct BoxButton {
  int value = 0;
  std::wstring label;
  CellRect rect;
};

class MessageBoxView {
 public:
  MessageBoxView(apprt::MessageBoxRequest request, std::function<void(int)> answer);

  // Places the box on a screen of that size.
  void arrange(int screenCols, int screenRows);
  // Gives the box an entry holding `text`, all of it selected (typing
  // replaces it); the entry then has the keyboard.
  void addEntry(const std::string& text);
  // New text for a box that is shown (a report of work as it goes).
  void setText(std::string text);

  const apprt::MessageBoxRequest& request() const { return request_; }
  const CellRect& outer() const { return outer_; }
  const std::vector<std::wstring>& lines() const { return lines_; }
  const std::vector<BoxButton>& buttons() const { return buttons_; }
  int focused() const { return focused_; }  // index into buttons()

  void moveFocus(int step);
  // The button Esc stands for: Cancel, else No, else the only button, else
  // the default (a box always answers).
  int escapeValue() const;
  // The button whose label starts with the letter (upper-case); 0 when none.
  int valueForLetter(int letter) const;
  int valueAt(int col, int row) const;  // 0 when no button is there
  int focusedValue() const;
  EntryEditor* entry() { return entry_ ? &*entry_ : nullptr; }
  const EntryEditor* entry() const { return entry_ ? &*entry_ : nullptr; }
  const CellRect& entryRect() const { return entryRect_; }

  void answer(int value);
  bool answered() const { return answered_; }

 private:
  apprt::MessageBoxRequest request_;
  std::function<void(int)> answer_;
  bool answered_ = false;
  CellRect outer_;
  std::vector<std::wstring> lines_;
  std::vector<BoxButton> buttons_;
  int focused_ = 0;
  std::optional<EntryEditor> entry_;
  CellRect entryRect_;
  int screenCols_ = 0, screenRows_ = 0;
};

}  // namespace fesk::tui
