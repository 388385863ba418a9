// What the user typed and has not saved yet: entries refuse what their field
// cannot hold, and the frame asks before it closes over typed work.

#include <algorithm>
#include <atomic>

#include "runtime/text/picture.h"
#include "runtime/text/utf8.h"
#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {
namespace {

// Set once the frame closes over typing that is not saved: the windows that
// hold it are then closing down to end the program and ask nothing more.
std::atomic<bool> gTypingDiscarded{false};

// Any window but the frame: a form, a browse window with an in-line row.
bool holdsUnsavedTyping(const Window& w) {
  if (!w.opened || w.def.kind == WindowKind::Frame) return false;
  for (const Control& c : w.controls)
    if (c.def.kind == ControlKind::Entry && c.typedInto && isShown(w, c)) return true;
  return false;
}

std::string exitQuestion(size_t windows) {
  return windows == 1
             ? "1 window holds changes that are not saved. Exit anyway?"
             : std::to_string(windows) + " windows hold changes that are not saved. Exit anyway?";
}

}  // namespace

void typeInto(Control& entry, const std::string& typed) {
  std::string taken = typed;
  auto picture = Picture::parse(entry.def.picture);
  if (picture && utf8CharacterCount(taken) > picture->maxCharacters()) {
    // The characters past the field's end are refused, as a key typed there
    // would be; the entry then shows what will be stored.
    taken.resize(utf8CharactersPrefix(taken, picture->maxCharacters()));
    frontEnd().beep();
  }
  if (taken == entry.text) return;
  entry.text = std::move(taken);
  entry.typedInto = true;
}

void setHidden(Control& c, bool hidden) {
  c.hidden = hidden;
  if (hidden) c.typedInto = false;
}

std::vector<int> windowsHoldingUnsavedTyping() {
  std::vector<int> found;
  const std::vector<int>& order = windowsByActivation();
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if (const Window* w = findWindow(*it); w && holdsUnsavedTyping(*w)) found.push_back(*it);
  return found;
}

bool unsavedTypingDiscarded() {
  return gTypingDiscarded;
}

bool frameMayClose(Window& frame) {
  if (frame.def.kind != WindowKind::Frame) return true;
  const std::vector<int> unsaved = windowsHoldingUnsavedTyping();
  if (unsaved.empty()) return true;
  if (frame.closesUnasked) {
    gTypingDiscarded = true;
    return true;
  }
  const int frameHandle = frame.handle;
  const MessageBoxRequest request{frameHandle,    exitQuestion(unsaved.size()), "Changes Not Saved",
                                  Icon::Question, kButtonOk | kButtonCancel,    kButtonCancel,
                                  "Exit anyway"};
  const int answer = whileUnlocked([&] { return frontEnd().messageBox(request); });
  Window* again = findWindow(frameHandle);
  if (answer == kButtonOk || (again && again->closesUnasked)) {
    gTypingDiscarded = true;
    return true;
  }
  // The first of them by opening (handles grow as windows are made), as the
  // user met them, not the one worked in last.
  const int firstOpened = *std::min_element(unsaved.begin(), unsaved.end());
  if (Window* first = findWindow(firstOpened); first && first->opened) {
    activateWindow(*first);
    frontEnd().bringToFront(first->handle);
  }
  return false;
}

}  // namespace apprt
