#include "runtime/windows/find_line.h"

#include <utility>

#include "runtime/frontend/key_names.h"
#include "runtime/text/utf8.h"
#include "runtime/windows/gestures.h"
#include "runtime/windows/windows.h"

namespace apprt {
namespace {

// The list a search line may open over: the focused control, when it is a
// list that takes keys (a drop-down list has an open list of its own).
Control* focusedList(Window& w) {
  Control* c = w.control(w.focus);
  if (!c || c->def.kind != ControlKind::List || !isFocusable(w, *c)) return nullptr;
  return c;
}

void queueFor(Window& w, int event) {
  queueEvent(w, Event{event, w.findLine.list, 0, {}, {}, {}});
}

void open(Window& w, const Control& list, std::string text) {
  w.findLine = FindLineView{true, list.def.field, std::move(text), {}};
}

void dropLastCharacter(std::string& text) {
  const std::size_t count = utf8CharacterCount(text);
  if (count > 0) text.resize(utf8CharactersPrefix(text, count - 1));
}

}  // namespace

bool findLineKey(Window& w, int key, const std::string& character) {
  FindLineView& line = w.findLine;
  Control* list = focusedList(w);
  // The list was hidden or disabled under the line: the line goes with it.
  if (line.open && (!list || list->def.field != line.list)) line.open = false;
  if (!list) return false;
  if (key == kKeyFind) {
    open(w, *list, {});
    return true;
  }
  if (key == kKeyFindNext) {
    open(w, *list, line.text);
    if (!line.text.empty()) queueFor(w, kEventFindNext);
    return true;
  }
  if (!line.open) return false;
  switch (key) {
    case kKeyEsc:
      line.open = false;
      line.message.clear();
      return true;
    case kKeyEnter:
      if (!line.text.empty()) queueFor(w, kEventFindNext);
      return true;
    case kKeyBackspace:
      dropLastCharacter(line.text);
      line.message.clear();
      if (!line.text.empty()) queueFor(w, kEventFindTyped);
      return true;
    default:
      break;
  }
  const std::string typed = typedByKey(key, character);
  if (typed.empty()) return false;
  line.text += typed;
  line.message.clear();
  queueFor(w, kEventFindTyped);
  return true;
}

void findInFront() {
  Window* front = activeWindow();
  if (front && front->opened && focusedList(*front))
    deliverInput(Input::keyDown(front->handle, kKeyFind));
}

std::string findLineText() {
  return currentWindow().findLine.text;
}

void tellFindLine(std::string message) {
  currentWindow().findLine.message = std::move(message);
}

}  // namespace apprt
