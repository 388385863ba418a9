#include "ui/tui/focused_entry.h"

#include <algorithm>

#include "runtime/text/picture.h"

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::StandardAction;

namespace {
constexpr int kMaxPendingEchoes = 256;
}

bool FocusedEntry::editing(const ShownWindow& w) const {
  return window_ == w.view.handle && field_ == w.view.focus && field_ != 0;
}

void FocusedEntry::sync(const ShownWindow* w) {
  const ControlView* c = w ? w->view.control(w->view.focus) : nullptr;
  if (!c || c->kind != ControlKind::Entry || !w->view.acceptsInput || !c->enabled) {
    window_ = field_ = 0;
    echoes_.clear();
    return;
  }
  auto picture = apprt::Picture::parse(c->picture);
  const std::string shown = picture ? picture->formatForDisplay(c->text) : c->text;
  if (window_ != w->view.handle || field_ != c->field) {
    window_ = w->view.handle;
    field_ = c->field;
    echoes_.clear();
    // An entry entered by a key has its whole text selected, so typing
    // replaces it; one entered by a click gets the cursor where it was clicked.
    const bool clicked = clicked_ && clicked_->window == window_ && clicked_->field == field_;
    editor_.start(shown, picture ? picture->maxCharacters() : 0, !clicked);
    if (clicked) editor_.placeCursor(clicked_->offset);
    clicked_.reset();
    return;
  }
  auto echo = std::find(echoes_.begin(), echoes_.end(), c->text);
  if (echo != echoes_.end()) {
    echoes_.erase(echoes_.begin(), echo + 1);
    if (!echoes_.empty() || c->text == editor_.text()) return;
  }
  echoes_.clear();
  if (shown != editor_.text()) editor_.replace(shown);
}

FocusedEntry::KeyResult FocusedEntry::key(const DecodedKey& k) {
  bool changed = false;
  if (!applyEditingKey(editor_, k, changed)) return KeyResult::NotTaken;
  if (changed) sendTypedText();
  return k.typed && editor_.refused() ? KeyResult::Refused : KeyResult::Taken;
}

bool FocusedEntry::click(const ShownWindow& w, int field, int offset) {
  if (editing(w) && w.view.focus == field) {
    editor_.placeCursor(offset);
    return true;
  }
  clicked_ = PendingClick{w.view.handle, field, offset};
  return false;
}

void FocusedEntry::clipboardAction(StandardAction action) {
  if (!window_) return;
  if (action == StandardAction::Paste) {
    for (wchar_t c : clipboard_)
      if (!editor_.insert(c)) break;
    sendTypedText();
    return;
  }
  clipboard_ = editor_.characters();
  if (action == StandardAction::Cut) {
    editor_.start("", 0, false);
    sendTypedText();
  }
}

void FocusedEntry::sendTypedText() {
  echoes_.push_back(editor_.text());
  if (echoes_.size() > kMaxPendingEchoes) echoes_.pop_front();
  send_(apprt::Input::typed(window_, field_, editor_.text()));
}

}  // namespace fesk::tui
