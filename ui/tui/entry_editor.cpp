#include "ui/tui/entry_editor.h"

#include <cwctype>

#include "runtime/frontend/constants.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

void EntryEditor::start(const std::string& text, size_t maxCharacters, bool selectAll) {
  maxCharacters_ = maxCharacters;
  text_ = decodeUtf8(text);
  cursor_ = text_.size();
  selectAll_ = selectAll && !text_.empty();
  refused_ = false;
}

void EntryEditor::replace(const std::string& text) {
  text_ = decodeUtf8(text);
  cursor_ = text_.size();
  selectAll_ = selectAll_ && !text_.empty();
}

bool EntryEditor::fits(const std::wstring& text) const {
  // The text holds one wide character per code point, as the runtime counts.
  return maxCharacters_ == 0 || text.size() <= maxCharacters_;
}

bool EntryEditor::dropSelection() {
  if (!selectAll_) return false;
  selectAll_ = false;
  text_.clear();
  cursor_ = 0;
  return true;
}

bool EntryEditor::insert(wchar_t c) {
  refused_ = false;
  if (std::iswcntrl(static_cast<wint_t>(c))) {
    refused_ = true;
    return false;
  }
  std::wstring kept = text_;
  size_t keptCursor = cursor_;
  bool keptSelection = selectAll_;
  dropSelection();
  std::wstring edited = text_;
  edited.insert(cursor_, 1, c);
  if (!fits(edited)) {
    text_ = kept;
    cursor_ = keptCursor;
    selectAll_ = keptSelection;
    refused_ = true;
    return false;
  }
  text_ = std::move(edited);
  ++cursor_;
  return true;
}

bool EntryEditor::backspace() {
  refused_ = false;
  if (dropSelection()) return true;
  if (cursor_ == 0) return false;
  text_.erase(--cursor_, 1);
  return true;
}

bool EntryEditor::deleteForward() {
  refused_ = false;
  if (dropSelection()) return true;
  if (cursor_ >= text_.size()) return false;
  text_.erase(cursor_, 1);
  return true;
}

void EntryEditor::left() {
  if (selectAll_) {
    selectAll_ = false;
    cursor_ = 0;
    return;
  }
  if (cursor_ > 0) --cursor_;
}

void EntryEditor::right() {
  if (selectAll_) {
    selectAll_ = false;
    cursor_ = text_.size();
    return;
  }
  if (cursor_ < text_.size()) ++cursor_;
}

void EntryEditor::home() {
  selectAll_ = false;
  cursor_ = 0;
}

void EntryEditor::end() {
  selectAll_ = false;
  cursor_ = text_.size();
}

void EntryEditor::placeCursor(int cells) {
  selectAll_ = false;
  cursor_ = 0;
  int used = 0;
  while (cursor_ < text_.size() && used + charCells(text_[cursor_]) <= cells)
    used += charCells(text_[cursor_++]);
}

std::string EntryEditor::text() const {
  return encodeUtf8(text_);
}

int EntryEditor::cursorCells() const {
  return textCells(std::wstring_view(text_).substr(0, cursor_));
}

bool applyEditingKey(EntryEditor& editor, const DecodedKey& key, bool& changed) {
  constexpr int kBackspace = 8;
  changed = false;
  if (key.typed) {
    changed = editor.insert(key.typed);
    return true;
  }
  switch (key.code) {
    case kBackspace:
      changed = editor.backspace();
      return true;
    case apprt::kKeyDelete:
      changed = editor.deleteForward();
      return true;
    case apprt::kKeyLeft:
      editor.left();
      return true;
    case apprt::kKeyRight:
      editor.right();
      return true;
    case apprt::kKeyHome:
      editor.home();
      return true;
    case apprt::kKeyEnd:
      editor.end();
      return true;
    default:
      return false;
  }
}

}  // namespace fesk::tui
