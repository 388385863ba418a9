// Event loops, posting, focus and completion.

#include <algorithm>
#include <stdexcept>

#include "runtime/text/picture.h"
#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {
namespace {

struct LoopFrame {
  int window = 0;
  bool hasEvent = false;
  Event event;
  int selectCountAtStart = 0;
};

thread_local std::vector<LoopFrame> tLoops;

LoopFrame& topLoop() {
  if (tLoops.empty()) throw std::logic_error("no event loop is running in this thread");
  return tLoops.back();
}

bool isCloseEvent(const Event& e) {
  return e.field == 0 && (e.number == kEventCloseWindow || e.number == kEventCloseDown);
}

// Finishes the frame's current event; answers true when the loop ends.
bool finishEvent(LoopFrame& f, int step) {
  if (!f.hasEvent) return false;
  f.hasEvent = false;
  if (step <= kLoopStepEnd) return true;  // so does any other negative step
  if (step >= kLoopStepConsumed) return false;
  Window* w = findWindow(f.window);
  if (w && f.event.after) f.event.after(w->selectCount != f.selectCountAtStart);
  return isCloseEvent(f.event) && (!w || frameMayClose(*w));
}

void endLoop(const LoopFrame& f) {
  Window* w = findWindow(f.window);
  tLoops.pop_back();
  bool outermost = std::none_of(tLoops.begin(), tLoops.end(),
                                [&](const LoopFrame& outer) { return outer.window == f.window; });
  if (w && w->def.kind == WindowKind::Frame && outermost) {
    // The frame ends after every other window was asked to close down and
    // its thread has ended, so that no write is cut off.
    postCloseDownToOthers(w->thread);
    waitForOtherThreads(shutdownWait());
  }
}

}  // namespace

bool isShown(const Window& w, const Control& c) {
  return isShownAmong(w.controls, c);
}

bool isFocusable(const Window& w, const Control& c) {
  switch (c.def.kind) {
    case ControlKind::Entry:
    case ControlKind::Button:
    case ControlKind::List:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::Sheet:
      break;
    default:
      return false;
  }
  return c.def.field > 0 && c.enabled && isShown(w, c) && c.def.rect.width >= 0;
}

Control* nextFocusable(Window& w, int fromField, bool backwards) {
  int n = static_cast<int>(w.controls.size());
  if (n == 0) return nullptr;
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (w.controls[i].def.field == fromField) start = i;
  for (int step = 1; step <= n; ++step) {
    int i = start < 0 ? (backwards ? n - step : step - 1)
                      : ((start + (backwards ? -step : step)) % n + n) % n;
    if (isFocusable(w, w.controls[i])) return &w.controls[i];
  }
  return nullptr;
}

void queueEvent(Window& w, Event e) {
  w.events.push_back(std::move(e));
}

void moveFocus(Window& w, int field, int key) {
  Control* left = field != w.focus ? w.control(w.focus) : nullptr;
  if (left) closeDropList(*left, kMsgDropListLostFocus);
  // The search line is the list's: it goes when the focus leaves it (a row
  // edited in line takes it), so it never lies over the edit.
  if (field != w.findLine.list) w.findLine.open = false;
  w.focus = field;
  ++w.selectCount;
  queueEvent(w, Event{kEventSelected, field, key, {}, {}, {}});
}

void takeValue(int window, int field) {
  Window* w = findWindow(window);
  Control* c = w ? w->control(field) : nullptr;
  if (c && c->def.kind == ControlKind::Entry && c->binding) c->binding.write(c->text);
}

bool entryAccepts(Window& w, const Control& entry, int key) {
  if (entry.def.picture.empty()) return true;
  auto picture = Picture::parse(entry.def.picture);
  if (!picture || picture->acceptInput(entry.text)) return true;
  queueEvent(w, Event{kEventRejected, entry.def.field, key, {}, {}, {}});
  return false;
}

void focusTo(Window& w, int field, int key, std::function<void()> then) {
  Control* current = w.control(w.focus);
  if (field == w.focus) {
    if (then) then();
    return;
  }
  if (current && current->def.kind == ControlKind::Entry && isFocusable(w, *current)) {
    if (!entryAccepts(w, *current, key)) return;
    int entry = current->def.field;
    int handle = w.handle;
    queueEvent(w, Event{kEventAccepted,
                        entry,
                        key,
                        {},
                        [handle, entry] { takeValue(handle, entry); },
                        [handle, field, key, then = std::move(then)](bool handlerMovedFocus) {
                          Window* win = findWindow(handle);
                          if (!win || handlerMovedFocus) return;
                          moveFocus(*win, field, key);
                          if (then) then();
                        }});
    return;
  }
  moveFocus(w, field, key);
  if (then) then();
}

void startEventLoop() {
  LoopFrame f;
  f.window = currentWindow().handle;
  tLoops.push_back(std::move(f));
}

bool endEventLoop(int step) {
  LoopFrame& f = topLoop();
  if (finishEvent(f, step)) {
    endLoop(f);
    return true;
  }
  for (;;) {
    Window* w = findWindow(tLoops.back().window);
    if (!w || !w->opened) {
      endLoop(tLoops.back());
      return true;
    }
    if (!w->events.empty()) {
      Event e = std::move(w->events.front());
      w->events.pop_front();
      if (e.valid && !e.valid()) continue;
      LoopFrame& top = tLoops.back();
      top.hasEvent = true;
      top.event = std::move(e);
      top.selectCountAtStart = w->selectCount;
      if (top.event.before) top.event.before();
      return false;
    }
    dispatchMessage(waitForMessage());
  }
}

void endEventLoops() {
  int window = currentWindow().handle;
  while (!tLoops.empty() && tLoops.back().window == window) tLoops.pop_back();
}

int EVENT() {
  return tLoops.empty() || !tLoops.back().hasEvent ? 0 : tLoops.back().event.number;
}
int FIELD() {
  return tLoops.empty() || !tLoops.back().hasEvent ? 0 : tLoops.back().event.field;
}
int ACCEPTED() {
  return EVENT() == kEventAccepted ? FIELD() : 0;
}
int KEYCODE() {
  return tLoops.empty() ? 0 : tLoops.back().event.key;
}
std::string KEYCHAR() {
  return tLoops.empty() ? std::string() : tLoops.back().event.character;
}
void SETKEYCODE(int key) {
  if (!tLoops.empty()) tLoops.back().event.key = key;
}

void POST(int event, int field) {
  queueEvent(currentWindow(), Event{event, field, 0, {}, {}, {}});
}

void POST(int event, int field, int windowHandle) {
  Window* w = findWindow(windowHandle);
  if (w && w->thread == THREAD()) {
    queueEvent(*w, Event{event, field, 0, {}, {}, {}});
    return;
  }
  postToOwner(
      Message{windowHandle, kMsgPostEvent, static_cast<uintptr_t>(event), field, std::nullopt});
}

void SELECT(int field, int rowOrTab) {
  Window& w = currentWindow();
  if (field == 0) {
    // Completion: every entry is checked in tab order; the first that fails
    // takes the focus and nothing follows.
    w.props.insert_or_assign(kPropAcceptAll, std::string("1"));
    for (auto& c : w.controls) {
      if (c.def.kind != ControlKind::Entry || !isShown(w, c) || !c.enabled) continue;
      bool blank = c.text.find_first_not_of(' ') == std::string::npos;
      if (c.def.required && blank) {
        w.props.erase(kPropAcceptAll);
        moveFocus(w, c.def.field, 0);
        return;
      }
    }
    w.props.erase(kPropAcceptAll);
    queueEvent(w, Event{kEventCompleted, 0, 0, {}, {}, {}});
    return;
  }
  Control* c = w.control(field);
  if (!c) return;
  if (rowOrTab > 0 && c->def.kind == ControlKind::Sheet) {
    c->choice = rowOrTab;
    return;
  }
  if (rowOrTab > 0) {
    c->selected = rowOrTab;
    return;
  }
  if (c->def.kind == ControlKind::Prompt) {
    // A prompt never takes the focus: the control after it does.
    Control* next = nextFocusable(w, field, false);
    if (next) moveFocus(w, next->def.field, 0);
    return;
  }
  moveFocus(w, field, 0);
}

}  // namespace apprt
