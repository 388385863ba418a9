#pragma once
// The interface between the runtime and a front-end (headless, Qt, terminal).
//
// Runtime -> front-end: snapshots of what each window shows (sent whenever a
// procedure thread is about to wait and a window changed), window closings,
// and blocking requests (message boxes) that are answered by the user.
// Front-end -> runtime: Input, delivered with deliverInput() from any thread;
// it never blocks, so a GUI thread stays responsive while a procedure works.

#include <memory>
#include <string>
#include <vector>

#include "runtime/frontend/constants.h"
#include "runtime/frontend/control_tree.h"
#include "runtime/frontend/input.h"
#include "runtime/frontend/printed_list.h"
#include "runtime/frontend/window_definition.h"

namespace apprt {

struct ControlView {
  int field = 0;
  int handle = 0;
  ControlKind kind = ControlKind::Prompt;
  int type = 0;
  int parent = 0;
  bool inToolbar = false;
  Rect rect;
  std::string text;     // prompt, button, tab, menu text; an entry's shown value
  std::string picture;  // entries
  std::string format;   // lists
  std::string message;  // status-bar text while focused
  std::string hint;     // menu items
  int standardAction = 0;
  bool enabled = true;
  bool hidden = false;
  bool required = false;
  // Lists: the rows shown (one entry of the queue each), the selected row
  // (1-based, 0 = none), the scroll bar and its thumb (0..100).
  std::vector<std::vector<std::string>> rows;
  int visibleRows = 0;
  int selected = 0;
  bool scrollBar = false;
  int thumb = 0;
  bool droppedDown = false;  // drop-down lists: the list is open
  // Sheets: the chosen tab (1-based).
  int choice = 0;
  // An edit control placed by a list column over the selected row: the list's
  // field and the column (1-based).
  int overList = 0;
  int overColumn = 0;

  bool operator==(const ControlView&) const = default;
};

template <>
struct ControlFacts<ControlView> {
  static int field(const ControlView& c) { return c.field; }
  static int parent(const ControlView& c) { return c.parent; }
  static ControlKind kind(const ControlView& c) { return c.kind; }
  static bool hidden(const ControlView& c) { return c.hidden; }
  static bool enabled(const ControlView& c) { return c.enabled; }
  static int choice(const ControlView& c) { return c.choice; }
  static const std::string& text(const ControlView& c) { return c.text; }
};

// The search line a user opened over a list of the window (Ctrl+F): what was
// typed, and how the last search went ("" when there is nothing to say).
struct FindLineView {
  bool open = false;
  int list = 0;  // the list's field
  std::string text;
  std::string message;

  bool operator==(const FindLineView&) const = default;
};

struct WindowView {
  int handle = 0;
  int thread = 0;
  std::string module;
  std::string label;
  WindowKind kind = WindowKind::MdiChild;
  std::string title;
  std::string help;
  std::string fontName;
  int fontSize = 8;
  int width = 0, height = 0;
  std::vector<ControlView> controls;
  int focus = 0;             // focused field
  bool acceptsInput = true;  // false while a newer window of its thread is open
  bool busy = false;         // the busy cursor is shown
  FindLineView findLine;

  const ControlView* control(int field) const;
  bool shows(const ControlView& c) const { return isShownAmong(controls, c); }
  // Whether Alt plus `key` reaches one of the window's controls.
  bool hasMnemonic(int key) const { return controlWithMnemonic(controls, key) != nullptr; }
  bool operator==(const WindowView&) const = default;
};

struct MessageBoxRequest {
  int window = 0;  // the window the box belongs to (0 = none)
  std::string text;
  std::string title;
  Icon icon = Icon::None;
  int buttons = kButtonOk;  // sum of button values
  int defaultButton = kButtonOk;
  std::string okText;  // the OK button's words when they say what it does ("" = "OK")
};

// A file to write, chosen by the user: the desktop's save dialog, a prompt on
// the terminal.
struct SavePathRequest {
  int window = 0;  // the window the question belongs to (0 = none)
  std::string title;
  std::string suggestedName;  // a file name without a directory
  std::string fileType;       // what the file holds, "CSV files"
  std::string extension;      // without the dot, "csv"
};

// How far long work has come. `total` 0: not known beforehand.
struct ProgressView {
  int id = 0;      // one piece of work, from its first report to its end
  int window = 0;  // the window the work was started from
  std::string title;
  std::string text;
  long done = 0;
  long total = 0;
  bool ended = false;  // the work is over: the report disappears
};

// Standard actions of menu items, carried out by the front-end itself.
enum class StandardAction {
  None = 0,
  Tile = 2,
  Cascade = 3,
  ArrangeIcons = 4,
  HelpContents = 5,
  HelpOnHelp = 6,
  HelpSearch = 7,
  Cut = 10,
  Copy = 11,
  Paste = 12,
  Exit = 15,
  PrintSetup = 16,
  Find = 17,  // the search line over the list of the window in front
  Undo = 18   // chosen like an item of its own; Ctrl+Z in any window chooses it
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  virtual void windowChanged(const WindowView& view) = 0;  // opened or changed
  virtual void windowClosed(int handle) = 0;
  virtual int messageBox(const MessageBoxRequest& request) = 0;  // blocks until answered
  virtual void beep() = 0;
  virtual void standardAction(StandardAction action, int window) = 0;
  // Puts a window in front of the others, for the user to work in (a
  // front-end with no notion of front has nothing to do).
  virtual void bringToFront(int /*window*/) {}
  // A list was read again because another program changed what it shows (the
  // headless transcript says so; a screen shows the new rows anyway).
  virtual void listFollowedChanges(int /*window*/, int /*field*/) {}
  virtual void help(const std::string& helpId) = 0;
  virtual void programEnded(int exitCode, const std::string& haltMessage) = 0;
  // Printing and files. A save question blocks until the user is done with
  // it; a progress report answers at once, true when the user has asked to
  // stop the work. A print preview opens and answers at once: the front-end
  // reads the list's pages as it shows them and closes the list when the
  // user closes the preview (a front-end that reads it whole at once may do
  // so here, and close it before it answers).
  virtual bool showsPrintPreview() const = 0;
  virtual void printPreview(std::shared_ptr<PreviewedList> list, int window) = 0;
  // The file chosen; "" when the user cancelled.
  virtual std::string askSavePath(const SavePathRequest& request) = 0;
  // The file answered to askSavePath is written whole. A front-end whose user
  // sits elsewhere (a browser) hands it over; on the user's own machine it is
  // already where they chose.
  virtual void fileWritten(const std::string& /*path*/, int /*window*/) {}
  virtual bool progress(const ProgressView& view) = 0;
};

}  // namespace apprt
