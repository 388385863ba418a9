#pragma once
// The focused entry of the active window as the user edits it on the
// terminal: the editor follows the entry the runtime focuses, sends what is
// typed, tells its own echoes from changes the procedure made, and keeps the
// clipboard of Cut, Copy and Paste.

#include <deque>
#include <optional>
#include <string>

#include "runtime/frontend/frontend.h"
#include "ui/tui/entry_editor.h"
#include "ui/tui/key_decoding.h"
#include "ui/tui/shown_window.h"

namespace fesk::tui {

class FocusedEntry {
 public:
  explicit FocusedEntry(const InputSink& send) : send_(send) {}

  // Follows what the active window (if any) shows and focuses.
  void sync(const ShownWindow* active);
  // Whether the window's focused entry is the one being edited.
  bool editing(const ShownWindow& w) const;
  const EntryEditor& editor() const { return editor_; }

  enum class KeyResult { NotTaken, Taken, Refused };
  KeyResult key(const DecodedKey& key);
  // A click on entry `field` of `w`, `offset` cells from its left edge:
  // answers true when it only moved the cursor of the entry being edited;
  // otherwise the cursor goes there once the runtime focuses the entry.
  bool click(const ShownWindow& w, int field, int offset);
  // Cut, Copy, Paste; nothing while no entry is being edited.
  void clipboardAction(apprt::StandardAction action);

 private:
  void sendTypedText();

  const InputSink& send_;
  EntryEditor editor_;
  int window_ = 0, field_ = 0;
  std::deque<std::string> echoes_;  // texts sent and not yet seen back
  struct PendingClick {
    int window, field, offset;
  };
  std::optional<PendingClick> clicked_;
  std::wstring clipboard_;
};

}  // namespace fesk::tui
