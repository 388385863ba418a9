// Window life: loading a definition into a window, opening, activating,
// closing and freeing it, and the controls created at run time.

#include <map>
#include <memory>
#include <stdexcept>

#include "runtime/threads/procedure_thread.h"
#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {
namespace {

using WindowTable = std::map<int, std::unique_ptr<Window>>;

// Made when the first window is; the threads then learn what their windows
// need of them, before any thread can end with a window open or wait in one.
WindowTable& windows() {
  static WindowTable all = [] {
    tieWindowsToThreads();
    return WindowTable{};
  }();
  return all;
}
// Windows in the order they were last active, the active one last.
std::vector<int> gActivation;

// Each thread's loaded windows, newest last.
thread_local std::vector<int> tLoaded;

int typeOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry:
      return kTypeEntry;
    case ControlKind::List:
      return kTypeList;
    case ControlKind::DropList:
      return kTypeDropList;
    case ControlKind::DropCombo:
      return kTypeDropCombo;
    case ControlKind::Button:
      return kTypeButton;
    case ControlKind::Sheet:
      return kTypeSheet;
    case ControlKind::Tab:
      return kTypeTab;
    case ControlKind::MenuItem:
      return kTypeMenuItem;
    default:
      return kTypePrompt;
  }
}

std::string classOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry:
      return "AppEntry";
    case ControlKind::List:
      return "AppListBox";
    case ControlKind::DropList:
    case ControlKind::DropCombo:
      return "AppCombo";
    case ControlKind::Button:
      return "AppButton";
    case ControlKind::Sheet:
      return "AppSheet";
    case ControlKind::Tab:
      return "AppTab";
    case ControlKind::Menu:
    case ControlKind::MenuItem:
    case ControlKind::Separator:
      return "AppMenu";
    case ControlKind::Toolbar:
      return "AppToolbar";
    default:
      return "AppStatic";
  }
}

bool hasHandle(ControlKind kind) {
  return kind != ControlKind::Menu && kind != ControlKind::MenuItem &&
         kind != ControlKind::Separator && kind != ControlKind::Toolbar;
}

Control makeControl(Window& w, const ControlDefinition& def) {
  Control c;
  c.def = def;
  c.type = typeOf(def.kind);
  c.enabled = !def.disabled;
  c.hidden = def.hidden;
  c.text = def.kind == ControlKind::Entry ? std::string() : def.text;
  if (hasHandle(def.kind))
    c.handle = newHandle(w.handle, def.field, w.thread, w.handle, classOf(def.kind));
  // A list defined with a scroll bar starts with it shown; the browse engine
  // hides and shows it from then on.
  if (def.vscroll) c.props[kPropVScroll] = "1";
  if (def.kind == ControlKind::DropList || def.kind == ControlKind::DropCombo) {
    // A drop-down list has a drop button inside it and shows its open list
    // in a top-level window of its own.
    c.dropButton = newHandle(w.handle, def.field, w.thread, c.handle, "AppDrop");
    c.dropList = newHandle(w.handle, def.field, w.thread, 0, "AppList");
  }
  return c;
}

// A handle's timers end with it.
void forget(int handle) {
  killTimers(handle);
  forgetHandle(handle);
}

void sendDestroy(Window& w) {
  for (auto it = w.controls.rbegin(); it != w.controls.rend(); ++it)
    for (int h : {it->dropButton, it->dropList, it->handle})
      if (h) sendMessage(h, kMsgNcDestroy, 0, 0);
  sendMessage(w.handle, kMsgNcDestroy, 0, 0);
  for (auto& c : w.controls)
    for (int h : {c.dropButton, c.dropList, c.handle})
      if (h) forget(h);
  forget(w.handle);
}

void enter(Window& w) {
  std::erase(gActivation, w.handle);
  gActivation.push_back(w.handle);
  POST(kEventGainFocus, 0, w.handle);
}

// The window that becomes active when the active one closes: the newest
// window of the same thread (the one it was opened from), else the window
// that was active before, or rather its thread's newest window, which is the
// one that takes input.
Window* successorOfClosed() {
  if (auto& own = currentThread()->windows; !own.empty()) return findWindow(own.back());
  for (auto it = gActivation.rbegin(); it != gActivation.rend(); ++it) {
    Window* candidate = findWindow(*it);
    if (!candidate || !candidate->opened) continue;
    auto thread = findThread(candidate->thread);
    if (thread && !thread->windows.empty()) return findWindow(thread->windows.back());
  }
  return nullptr;
}

}  // namespace

Control* Window::control(int field) {
  for (auto& c : controls)
    if (c.def.field == field) return &c;
  return nullptr;
}

Control* Window::controlByHandle(int h) {
  for (auto& c : controls)
    if (c.handle == h) return &c;
  return nullptr;
}

Window* findWindow(int handle) {
  auto it = windows().find(handle);
  return it == windows().end() ? nullptr : it->second.get();
}

Window& currentWindow() {
  if (tLoaded.empty()) throw std::logic_error("no window is loaded in this thread");
  return *findWindow(tLoaded.back());
}

Control& controlOf(int field) {
  Control* c = currentWindow().control(field);
  if (!c)
    throw std::out_of_range("no control " + std::to_string(field) + " in window " +
                            currentWindow().def.label);
  return *c;
}

std::vector<Window*> openWindowsOf(int thread) {
  std::vector<Window*> open;
  for (auto& [h, w] : windows())
    if (w->thread == thread && w->opened) open.push_back(w.get());
  return open;
}

Window* activeWindow() {
  return gActivation.empty() ? nullptr : findWindow(gActivation.back());
}

const std::vector<int>& windowsByActivation() {
  return gActivation;
}

int newestOpenWindow() {
  ProcedureThread* t = currentThread();
  return t && !t->windows.empty() ? t->windows.back() : 0;
}

void activateWindow(Window& w) {
  Window* previous = activeWindow();
  if (previous == &w) return;
  if (previous && previous->opened) POST(kEventLoseFocus, 0, previous->handle);
  enter(w);
}

bool takesInput(const Window& w) {
  auto t = findThread(w.thread);
  return w.opened && t && !t->windows.empty() && t->windows.back() == w.handle;
}

int loadWindow(const std::string& module, const std::string& label) {
  auto def = findWindowDefinition(module, label);
  if (!def) throw DefinitionError("no window definition " + label + " in " + module);
  auto w = std::make_unique<Window>();
  w->thread = THREAD();
  w->def = std::move(*def);
  w->title = w->def.title;
  w->handle =
      newHandle(0, 0, w->thread, 0, w->def.kind == WindowKind::Frame ? "AppFrame" : "AppWindow");
  for (const auto& cd : w->def.controls) w->controls.push_back(makeControl(*w, cd));
  for (auto& c : w->controls)
    if (c.def.kind == ControlKind::Sheet) c.choice = 1;
  int h = w->handle;
  windows()[h] = std::move(w);
  tLoaded.push_back(h);
  return h;
}

void bindEntry(int field, Binding variable) {
  controlOf(field).binding = std::move(variable);
}
void bindList(int field, QueueBase& queue) {
  controlOf(field).queue = &queue;
}

void openWindow() {
  Window& w = currentWindow();
  if (w.opened) return;
  w.opened = true;
  currentThread()->windows.push_back(w.handle);
  for (auto& c : w.controls)
    if (c.def.kind == ControlKind::Entry && c.binding) c.text = c.binding.read();
  if (Control* first = nextFocusable(w, 0, false)) w.focus = first->def.field;
  queueEvent(w, Event{kEventOpenWindow, 0, 0, {}, {}, {}});
  activateWindow(w);
}

void closeWindow() {
  Window& w = currentWindow();
  if (!w.opened) return;
  w.opened = false;
  auto& open = currentThread()->windows;
  std::erase(open, w.handle);
  sendDestroy(w);
  frontEnd().windowClosed(w.handle);
  w.lastSent.reset();
  bool wasActive = activeWindow() == &w;
  std::erase(gActivation, w.handle);
  if (wasActive)
    if (Window* next = successorOfClosed()) enter(*next);
}

void freeWindow() {
  Window& w = currentWindow();
  if (w.opened) closeWindow();
  int h = w.handle;
  tLoaded.pop_back();
  windows().erase(h);
}

void destroyThreadWindows(int thread) {
  while (!tLoaded.empty()) freeWindow();
  std::erase_if(windows(), [&](auto& kv) { return kv.second->thread == thread; });
}

void postCloseDownToOthers(int exceptThread) {
  for (auto& [h, w] : windows())
    if (w->thread != exceptThread && w->opened)
      postToOwner(Message{h, kMsgPostEvent, kEventCloseDown, 0, std::nullopt});
}

void createControl(int field, int type, int parentField) {
  Window& w = currentWindow();
  if (w.control(field)) return;  // created by an earlier edit: reused
  ControlDefinition def;
  def.field = field;
  def.parent = parentField;
  def.kind = type == kTypeEntry       ? ControlKind::Entry
             : type == kTypeButton    ? ControlKind::Button
             : type == kTypeDropList  ? ControlKind::DropList
             : type == kTypeDropCombo ? ControlKind::DropCombo
             : type == kTypeList      ? ControlKind::List
                                      : ControlKind::Prompt;
  Control c = makeControl(w, def);
  c.type = type;
  w.controls.push_back(std::move(c));
}

}  // namespace apprt
