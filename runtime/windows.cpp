// Window life, controls and their properties, the handle table and the
// message layer's window procedures.

#include "runtime/windows.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "runtime/procedure_thread.h"
#include "runtime/program.h"
#include "runtime/queue.h"
#include "runtime/window_model.h"

namespace apprt {
namespace {

// The handle table is read by front-end threads (to route input) as well, so
// it has a lock of its own besides the program lock.
std::mutex gHandlesMutex;
std::map<int, HandleEntry>& handles() {
  static std::map<int, HandleEntry> table;
  return table;
}
int gNextHandle = 0x1000;

std::map<int, std::unique_ptr<Window>>& windows() {
  static std::map<int, std::unique_ptr<Window>> all;
  return all;
}
// Windows in the order they were last active, the active one last.
std::vector<int> gActivation;

// Each thread's loaded windows, newest last.
thread_local std::vector<int> tLoaded;

int typeOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry: return kTypeEntry;
    case ControlKind::List: return kTypeList;
    case ControlKind::DropList: return kTypeDropList;
    case ControlKind::DropCombo: return kTypeDropCombo;
    case ControlKind::Button: return kTypeButton;
    case ControlKind::Sheet: return kTypeSheet;
    case ControlKind::Tab: return kTypeTab;
    case ControlKind::MenuItem: return kTypeMenuItem;
    default: return kTypePrompt;
  }
}

std::string classOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry: return "AppEntry";
    case ControlKind::List: return "AppListBox";
    case ControlKind::DropList:
    case ControlKind::DropCombo: return "AppCombo";
    case ControlKind::Button: return "AppButton";
    case ControlKind::Sheet: return "AppSheet";
    case ControlKind::Tab: return "AppTab";
    case ControlKind::Menu:
    case ControlKind::MenuItem:
    case ControlKind::Separator: return "AppMenu";
    case ControlKind::Toolbar: return "AppToolbar";
    default: return "AppStatic";
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

// The visible rows of a list: a row is 7 dialog units high below a header and
// borders of 13 units in all.
int visibleRowsFor(int heightDu) { return std::max(1, (heightDu - 13) / 7); }

Control& controlOf(int field) {
  Control* c = currentWindow().control(field);
  if (!c) throw std::out_of_range("no control " + std::to_string(field) + " in window " +
                                  currentWindow().def.label);
  return *c;
}

// A handle's timers end with it.
void forget(int handle) {
  if (ProcedureThread* t = currentThread())
    std::erase_if(t->timers, [&](const Timer& timer) { return timer.handle == handle; });
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

}  // namespace

// ---- Handle table -------------------------------------------------------------------

int newHandle(int window, int field, int thread, int parent, std::string className) {
  std::lock_guard lock(gHandlesMutex);
  int h = gNextHandle++;
  handles()[h] = HandleEntry{h, window == 0 ? h : window, field, thread, parent,
                             std::move(className), runtimeWindowProc};
  return h;
}

HandleEntry* findHandle(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? nullptr : &it->second;
}

void forgetHandle(int handle) {
  std::lock_guard lock(gHandlesMutex);
  handles().erase(handle);
}

int ownerThread(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? 0 : it->second.thread;
}

bool isWindowHandle(int handle) { return findHandle(handle) != nullptr; }

// ---- Message layer --------------------------------------------------------------------

WindowProc setWindowProc(int handle, WindowProc proc) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  if (it == handles().end()) return nullptr;
  return std::exchange(it->second.proc, proc);
}

WindowProc windowProc(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? nullptr : it->second.proc;
}

intptr_t callWindowProc(WindowProc proc, int handle, uint32_t msg, uintptr_t wParam,
                        intptr_t lParam) {
  return proc ? proc(handle, msg, wParam, lParam) : 0;
}

intptr_t sendMessage(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return callWindowProc(windowProc(handle), handle, msg, wParam, lParam);
}

bool postMessage(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return postToOwner(Message{handle, msg, wParam, lParam, std::nullopt});
}

bool postToOwner(Message message) {
  auto thread = findThread(ownerThread(message.handle));
  if (!thread) return false;
  {
    std::lock_guard lock(thread->inboxMutex);
    thread->inbox.push_back(std::move(message));
    ++thread->pending;
  }
  thread->inboxSignal.notify_all();
  return true;
}

int setTimer(int handle, int id, int periodMs) {
  ProcedureThread* t = currentThread();
  if (!t || ownerThread(handle) != t->number) return 0;
  auto period = std::chrono::milliseconds(std::max(periodMs, 1));
  killTimer(handle, id);
  t->timers.push_back(Timer{handle, id, period, std::chrono::steady_clock::now() + period});
  return id;
}

bool killTimer(int handle, int id) {
  ProcedureThread* t = currentThread();
  if (!t) return false;
  return std::erase_if(t->timers, [&](const Timer& x) {
           return x.handle == handle && x.id == id;
         }) > 0;
}

void enumTopLevelWindows(EnumProc proc, intptr_t lParam) {
  std::vector<int> tops;
  {
    std::lock_guard lock(gHandlesMutex);
    for (auto& [h, e] : handles())
      if (e.parent == 0) tops.push_back(h);
  }
  for (int h : tops)
    if (!proc(h, lParam)) return;
}

void enumChildWindows(int parent, EnumProc proc, intptr_t lParam) {
  std::vector<int> children;
  {
    std::lock_guard lock(gHandlesMutex);
    for (auto& [h, e] : handles())
      if (e.parent == parent && h != parent) children.push_back(h);
  }
  for (int h : children)
    if (!proc(h, lParam)) return;
}

int className(int handle, char* buffer, int size) {
  if (size <= 0) return 0;
  std::string name = className(handle);
  int n = std::min(static_cast<int>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return n;
}

std::string className(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? std::string() : it->second.className;
}

// ---- Windows ---------------------------------------------------------------------------

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

Window* activeWindow() { return gActivation.empty() ? nullptr : findWindow(gActivation.back()); }

const std::vector<int>& windowsByActivation() { return gActivation; }

namespace {
void enter(Window& w) {
  std::erase(gActivation, w.handle);
  gActivation.push_back(w.handle);
  POST(kEventGainFocus, 0, w.handle);
}
}  // namespace

void activateWindow(Window& w) {
  Window* previous = activeWindow();
  if (previous == &w) return;
  if (previous && previous->opened) POST(kEventLoseFocus, 0, previous->handle);
  enter(w);
}

namespace {
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
  w->handle = newHandle(0, 0, w->thread, 0,
                        w->def.kind == WindowKind::Frame ? "AppFrame" : "AppWindow");
  for (const auto& cd : w->def.controls) w->controls.push_back(makeControl(*w, cd));
  for (auto& c : w->controls)
    if (c.def.kind == ControlKind::Sheet) c.choice = 1;
  int h = w->handle;
  windows()[h] = std::move(w);
  tLoaded.push_back(h);
  return h;
}

void bindEntry(int field, Binding variable) { controlOf(field).binding = std::move(variable); }
void bindList(int field, QueueBase& queue) { controlOf(field).queue = &queue; }

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

void createControl(int field, int type, int parentField) {
  Window& w = currentWindow();
  if (w.control(field)) return;  // created by an earlier edit: reused
  ControlDefinition def;
  def.field = field;
  def.parent = parentField;
  def.kind = type == kTypeEntry      ? ControlKind::Entry
             : type == kTypeButton   ? ControlKind::Button
             : type == kTypeDropList ? ControlKind::DropList
             : type == kTypeDropCombo ? ControlKind::DropCombo
             : type == kTypeList     ? ControlKind::List
                                     : ControlKind::Prompt;
  Control c = makeControl(w, def);
  c.type = type;
  w.controls.push_back(std::move(c));
}

// ---- Controls ----------------------------------------------------------------------------

void DISPLAY(int field) {
  Window& w = currentWindow();
  for (auto& c : w.controls) {
    if (field != 0 && c.def.field != field) continue;
    if (c.def.kind == ControlKind::Entry && c.binding) c.text = c.binding.read();
  }
}

void UPDATE(int field) {
  Window& w = currentWindow();
  for (auto& c : w.controls) {
    if (field != 0 && c.def.field != field) continue;
    if (c.def.kind == ControlKind::Entry && c.binding) c.binding.write(c.text);
  }
}

void ENABLE(int field) { controlOf(field).enabled = true; }
void DISABLE(int field) { controlOf(field).enabled = false; }
void HIDE(int field) { controlOf(field).hidden = true; }
void UNHIDE(int field) { controlOf(field).hidden = false; }

int choiceOf(const Control& c) { return c.def.kind == ControlKind::Sheet ? c.choice : c.selected; }

int CHOICE(int field) { return choiceOf(controlOf(field)); }

int FIRSTFIELD() {
  Window& w = currentWindow();
  for (auto& c : w.controls)
    if (c.def.field > 0) return c.def.field;
  return 0;
}

int SELECTED() { return currentWindow().focus; }

void alert(int key) {
  Window& w = currentWindow();
  if (key == 0) w.alerts.clear();
  else w.alerts.insert(key);
}

long getProp(int field, int prop) {
  std::string text = getPropText(field, prop);
  try {
    return text.empty() ? 0 : std::stol(text);
  } catch (const std::logic_error&) {
    return 0;
  }
}

std::string getPropText(int field, int prop) {
  Window& w = currentWindow();
  if (field == 0) {
    if (prop == kPropHandle) return std::to_string(w.handle);
    if (prop == kPropText) return w.title;
    auto it = w.props.find(prop);
    return it == w.props.end() ? std::string() : it->second;
  }
  Control* found = w.control(field);
  if (!found) return prop == kPropHandle ? "0" : std::string();
  Control& c = *found;
  switch (prop) {
    case kPropHandle: return std::to_string(c.handle);
    case kPropType: return std::to_string(c.type);
    case kPropText: return c.def.kind == ControlKind::Entry ? c.def.picture : c.text;
    case kPropHide: return c.hidden ? "1" : "";
    case kPropFormat: return c.def.format;
    case kPropItems: return std::to_string(visibleRowsFor(c.def.rect.height));
    case kPropVScrollPos: return std::to_string(c.thumb);
    case kPropHeight: return std::to_string(c.def.rect.height);
    case kPropWidth: return std::to_string(c.def.rect.width);
    default: {
      auto it = c.props.find(prop);
      return it == c.props.end() ? std::string() : it->second;
    }
  }
}

void setProp(int field, int prop, long value) { setPropText(field, prop, std::to_string(value)); }

void setPropText(int field, int prop, const std::string& value) {
  Window& w = currentWindow();
  if (field == 0) {
    if (prop == kPropText) w.title = value;
    else w.props[prop] = value;
    return;
  }
  Control& c = controlOf(field);
  long number = 0;
  try {
    number = value.empty() ? 0 : std::stol(value);
  } catch (const std::logic_error&) {
  }
  switch (prop) {
    case kPropText:
      if (c.def.kind == ControlKind::Entry) c.def.picture = value;
      else c.text = value;
      break;
    case kPropHide: c.hidden = number != 0; break;
    case kPropFormat: c.def.format = value; break;
    case kPropVScrollPos: c.thumb = std::clamp<int>(number, 0, 100); break;
    case kPropHeight: c.def.rect.height = number; break;
    case kPropWidth: c.def.rect.width = number; break;
    default: c.props[prop] = value;
  }
}

std::string getColumnProp(int field, int column, int prop) {
  Control& c = controlOf(field);
  auto it = c.columnProps.find({column, prop});
  return it == c.columnProps.end() ? std::string() : it->second;
}

void setColumnProp(int field, int column, int prop, const std::string& value) {
  controlOf(field).columnProps[{column, prop}] = value;
  // An edit control linked to a column is shown over that column's cell.
  if (prop != kPropColumnEditField) return;
  try {
    if (Control* edit = currentWindow().control(std::stoi(value))) edit->hidden = false;
  } catch (const std::logic_error&) {
  }
}

void setBusyCursor(bool busy) {
  Window& w = currentWindow();
  if (w.busy == busy) return;
  w.busy = busy;
  // Shown now: the work it announces keeps the thread from waiting, which is
  // when windows are otherwise sent.
  flushThreadWindows();
}

int newestOpenWindow() {
  ProcedureThread* t = currentThread();
  return t && !t->windows.empty() ? t->windows.back() : 0;
}



void beep() {
  UnlockedWait unlocked;
  frontEnd().beep();
}

int messageBox(const std::string& text, const std::string& title, Icon icon, int buttons,
               int defaultButton) {
  MessageBoxRequest request{newestOpenWindow(), text, title, icon, buttons, defaultButton};
  UnlockedWait unlocked;
  return frontEnd().messageBox(request);
}

// ---- What the front-end is told ------------------------------------------------------------

WindowView viewOf(Window& w) {
  WindowView v;
  v.handle = w.handle;
  v.thread = w.thread;
  v.module = w.def.module;
  v.label = w.def.label;
  v.kind = w.def.kind;
  v.title = w.title;
  v.help = w.def.help;
  v.fontName = w.def.fontName;
  v.fontSize = w.def.fontSize;
  v.width = w.def.width;
  v.height = w.def.height;
  v.focus = w.focus;
  v.acceptsInput = takesInput(w);
  v.busy = w.busy;
  for (auto& c : w.controls) {
    ControlView cv;
    cv.field = c.def.field;
    cv.handle = c.handle;
    cv.kind = c.def.kind;
    cv.type = c.type;
    cv.parent = c.def.parent;
    cv.inToolbar = c.def.inToolbar;
    cv.rect = c.def.rect;
    cv.text = c.text;
    cv.picture = c.def.picture;
    cv.format = c.def.format;
    cv.message = c.def.message;
    cv.hint = c.def.hint;
    cv.standardAction = c.def.standardAction;
    cv.enabled = c.enabled;
    cv.hidden = c.hidden;
    cv.required = c.def.required;
    cv.choice = c.choice;
    cv.thumb = c.thumb;
    cv.droppedDown = c.droppedDown;
    if (c.def.kind == ControlKind::List || c.def.kind == ControlKind::DropList ||
        c.def.kind == ControlKind::DropCombo) {
      cv.visibleRows = visibleRowsFor(c.def.rect.height);
      cv.selected = c.selected;
      auto vs = c.props.find(kPropVScroll);
      cv.scrollBar = vs != c.props.end() && vs->second != "0" && !vs->second.empty();
      if (c.queue)
        for (size_t row = 1; row <= c.queue->records(); ++row)
          cv.rows.push_back(c.queue->texts(row));
    }
    v.controls.push_back(std::move(cv));
  }
  // Edit controls laid over a list column's cell in the selected row.
  for (auto& c : w.controls) {
    if (c.columnProps.empty()) continue;
    for (auto& [key, value] : c.columnProps) {
      if (key.second != kPropColumnEditField || value.empty() || value == "0") continue;
      for (auto& cv : v.controls)
        if (std::to_string(cv.field) == value) {
          cv.overList = c.def.field;
          cv.overColumn = key.first;
        }
    }
  }
  return v;
}

void flushThreadWindows() {
  ProcedureThread* t = currentThread();
  if (!t) return;
  for (auto& [h, w] : windows()) {
    if (w->thread != t->number || !w->opened) continue;
    WindowView v = viewOf(*w);
    if (w->lastSent && *w->lastSent == v) continue;
    frontEnd().windowChanged(v);
    w->lastSent = std::move(v);
  }
}

void postCloseDownToOthers(int exceptThread) {
  for (auto& [h, w] : windows())
    if (w->thread != exceptThread && w->opened)
      postToOwner(Message{h, kMsgPostEvent, kEventCloseDown, 0, std::nullopt});
}

}  // namespace apprt
