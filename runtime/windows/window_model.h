#pragma once
// The runtime's model of windows and controls, and the process-wide handle
// table. Internal to runtime/; guarded by the program lock.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "runtime/frontend/window_definition.h"
#include "runtime/threads/procedure_thread.h"
#include "runtime/windows/binding.h"
#include "runtime/windows/message_layer.h"

namespace apprt {

class QueueBase;

struct Control {
  ControlDefinition def;
  int handle = 0;
  int dropButton = 0;        // drop-down lists: the "AppDrop" child and the
  int dropList = 0;          // top-level "AppList" window that shows the open list
  bool droppedDown = false;  // drop-down lists: the list is open
  int type = 0;
  std::string text;  // what it shows
  bool enabled = true;
  bool hidden = false;
  bool typedInto = false;  // entries: the user typed into it since it was last hidden
  Binding binding;
  QueueBase* queue = nullptr;
  int selected = 0;  // lists: selected row
  int choice = 0;    // sheets: chosen tab (1-based)
  int thumb = 0;
  std::map<int, std::string> props;  // properties with no behaviour of their own
  std::map<std::pair<int, int>, std::string> columnProps;  // (column, property)
};

template <>
struct ControlFacts<Control> {
  static int field(const Control& c) { return c.def.field; }
  static int parent(const Control& c) { return c.def.parent; }
  static ControlKind kind(const Control& c) { return c.def.kind; }
  static bool hidden(const Control& c) { return c.hidden; }
  static bool enabled(const Control& c) { return c.enabled; }
  static int choice(const Control& c) { return c.choice; }
  static const std::string& text(const Control& c) { return c.text; }
};

// An event waiting in a window's queue. `valid` is asked when the event is
// taken (a button's kEventAccepted only counts if it still has the focus), `before`
// runs as it is handed out, and `after` is the runtime's default handling,
// run at the next loop step unless the handler consumed the event.
struct Event {
  int number = 0;
  int field = 0;
  int key = 0;
  std::function<bool()> valid;
  std::function<void()> before;
  std::function<void(bool handlerMovedFocus)> after;
  std::string character{};  // what a kKeyCharacter key typed (UTF-8)
};

struct Window {
  int handle = 0;
  int thread = 0;
  WindowDefinition def;
  std::string title;
  std::vector<Control> controls;  // tab order
  std::deque<Event> events;
  int focus = 0;
  int selectCount = 0;  // bumped by every focus change a handler makes
  std::map<int, std::string> props;
  std::set<int> alerts;
  bool opened = false;
  bool busy = false;
  bool closesUnasked = false;           // the frame: the program was asked to end unasked
  int shownWidth = 0, shownHeight = 0;  // its size on the screen, in dialog units (0: defined)
  FindLineView findLine;
  std::optional<WindowView> lastSent;

  Control* control(int field);
  Control* controlByHandle(int handle);
};

struct HandleEntry {
  int handle = 0;
  int window = 0;  // owning window's handle (itself for a window)
  int field = 0;   // 0 for the window itself
  int thread = 0;
  int parent = 0;  // 0 for a top-level window
  std::string className;
  WindowProc proc = nullptr;
};

// Handle table.
int newHandle(int window, int field, int thread, int parent, std::string className);
HandleEntry* findHandle(int handle);
void forgetHandle(int handle);
int ownerThread(int handle);  // safe without the program lock
// The handles whose parent is `parent` (0: the top-level windows).
std::vector<int> childHandles(int parent);
// Ends every timer of `handle` in the calling thread.
void killTimers(int handle);
// Queues a message for the thread that owns its handle; false when none does.
bool postToOwner(Message message);

// Windows.
Window* findWindow(int handle);
// Destroys every window the thread left open.
void destroyThreadWindows(int thread);
// Sends the front-end what changed in the calling thread's windows.
void flushThreadWindows();
// Posts the close-down event to every open window of every thread but `except`.
void postCloseDownToOthers(int exceptThread);
// Ties the window layer into the life of the procedure threads (thread_ties.cpp):
// done once, when the first window is made.
void tieWindowsToThreads();
Window& currentWindow();        // the calling thread's newest loaded window; throws if none
Control& controlOf(int field);  // a control of currentWindow(); throws if there is none
std::vector<Window*> openWindowsOf(int thread);
Window* activeWindow();  // the window the user works in
// Handles of windows in the order they were last active, the active one last.
const std::vector<int>& windowsByActivation();
int newestOpenWindow();  // the calling thread's newest open window (0 = none)
// Makes w the active window: the window left gets kEventLoseFocus, w gets
// kEventGainFocus.
void activateWindow(Window& w);

// Focus and events.
bool isFocusable(const Window& w, const Control& c);
int choiceOf(const Control& c);  // CHOICE: a sheet's tab, a list's selected row
bool isShown(const Window& w, const Control& c);
Control* nextFocusable(Window& w, int fromField, bool backwards);
void queueEvent(Window& w, Event e);
// Moves the focus to `field` and queues kEventSelected for it (key: what moved it).
void moveFocus(Window& w, int field, int key);
// UPDATE of one entry of a given window (not necessarily the current one).
void takeValue(int window, int field);
// Closes an open drop-down list on the runtime's own account and tells the
// control why: kMsgDropListDismissed (a key) or kMsgDropListLostFocus.
void closeDropList(Control& c, uint32_t notice);
// Whether what an entry shows passes its picture; queues kEventRejected for it
// when not.
bool entryAccepts(Window& w, const Control& entry, int key);
// Moves the focus the way a user does: leaving an entry first hands out its
// value (kEventAccepted with the key), and the focus follows after that handler.
// `then` runs once the focus has arrived (a button's press).
void focusTo(Window& w, int field, int key, std::function<void()> then = {});
// Dispatches one message taken from the thread's inbox.
void dispatchMessage(const Message& m);
bool takesInput(const Window& w);

// Typing and what is not saved (unsaved_typing.cpp).
// What the user typed into an entry; refused with a beep when it is longer
// than the entry's picture holds, so that what is shown is what is stored.
void typeInto(Control& entry, const std::string& typed);
// Hides or shows a control; what was typed into a hidden entry is no longer
// the user's work in progress (an in-line row that ended).
void setHidden(Control& c, bool hidden);
// Whether the window may close: a frame holding others' unsaved typing asks
// first and, when told to stay, brings the first of those windows to the front.
bool frameMayClose(Window& frame);

// Where a control stands in its window as the window is shown now (larger
// than its definition, perhaps): control_anchoring.cpp.
Rect placedRect(const Window& w, const Control& c);

// The list rows that a height in dialog units shows.
int visibleRowsFor(int heightDu);
WindowView viewOf(Window& w);

}  // namespace apprt
