#pragma once
// The terminal's desktop: the frame as the whole screen (menu bar, tool bar,
// status line) and the program's windows inside it as overlapping framed
// windows, the active one on top. It shows what the runtime sends, carries out
// the standard actions, shows message boxes and help, and turns what the user
// types and clicks into the runtime's input. It lives on the terminal's own
// thread and never waits for a procedure.

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/frontend.h"
#include "ui/tui/canvas.h"
#include "ui/tui/entry_editor.h"
#include "ui/tui/key_decoding.h"
#include "ui/tui/menu_bar.h"
#include "ui/tui/message_box_view.h"
#include "ui/tui/shown_window.h"

namespace fesk::tui {

using InputSink = std::function<void(const apprt::Input&)>;

class Desktop {
 public:
  Desktop(InputSink send, int cols, int rows);

  // What the runtime asks for.
  void showWindow(const apprt::WindowView& view);
  void closeWindow(int handle);
  void askMessageBox(const apprt::MessageBoxRequest& request, std::function<void(int)> answer);
  void standardAction(apprt::StandardAction action);
  void showHelp(const std::string& helpId);
  void beep();
  // Asks for a file to write in a box with an entry (desktop_dialogs.cpp).
  void askSavePath(const apprt::SavePathRequest& request,
                   std::function<void(std::string)> answer);
  // Shows, updates or removes the box reporting a piece of work; its Cancel
  // button calls `stop`.
  void showProgress(const apprt::ProgressView& view, std::function<void()> stop);
  // Boxes still waiting answer their defaults (the program is being ended);
  // a question for a file answers that none was chosen.
  void answerWaitingBoxes();

  // What the user does.
  void key(const TerminalKey& key);
  void click(int col, int row, bool twice);
  void wheel(int col, int row, bool up);
  void resize(int cols, int rows);

  void paint(Canvas& canvas);
  // Whether something moves on the screen by itself (the busy indicator), so
  // that it wants painting again soon.
  bool animating() const;

  // What is shown, for the status line and for tests.
  const ShownWindow* activeWindow() const;
  const ShownWindow* window(int handle) const;
  std::optional<int> frameHandle() const;
  CellRect clientArea() const;
  std::string statusText() const;
  // The drop-down list that the runtime shows open, in the active window.
  struct Popup {
    const ShownWindow* window = nullptr;
    const apprt::ControlView* control = nullptr;
    CellRect rect;  // its rows below the control, the scroll bar in the last column
  };
  std::optional<Popup> openDrop() const;

 private:
  ShownWindow* active();
  void send(apprt::Input::Kind kind, int window, int field = 0, int key = 0, int row = 0,
            int thumb = 0, std::string text = {});
  void activate(int handle);
  void cycleWindows(int step);
  void tile();
  void cascade();
  void rearrange();
  void place(ShownWindow& w, int index);
  void syncEditor();
  bool editing(const ShownWindow& w) const;
  void sendTypedText();
  std::vector<const apprt::ControlView*> toolbarButtons() const;
  bool hasMnemonic(const ShownWindow& w, int letter) const;

  // Input, by what has the keyboard.
  void menuKey(const DecodedKey& key);
  void boxKey(const DecodedKey& key);
  void popupClick(const Popup& popup, int col, int row);
  void helpKey(const DecodedKey& key);
  bool entryKey(const DecodedKey& key);
  void windowClick(ShownWindow& w, int col, int row, bool twice);

  // The menu bar and its open menu.
  void openMenu(int index, bool drop);
  void closeMenu();
  const std::vector<MenuEntry>* openItems() const;
  void choose(const MenuEntry& entry);
  CellRect dropDownRect() const;
  std::vector<MenuEntry> windowMenuItems() const;

  void paintMenuBar(Canvas& canvas);
  void paintToolbar(Canvas& canvas);
  void paintDropDown(Canvas& canvas);
  void paintPopup(Canvas& canvas, const Popup& popup);
  void paintStatus(Canvas& canvas);
  void paintBox(Canvas& canvas, const MessageBoxView& box, bool top);
  void paintHelp(Canvas& canvas);

  InputSink send_;
  int cols_, rows_;
  std::optional<apprt::WindowView> frame_;
  std::vector<MenuEntry> bar_;
  std::map<int, ShownWindow> windows_;
  std::vector<int> order_;  // bottom to top; the last is the active window
  int opened_ = 0;          // windows opened so far, for cascading new ones

  struct MenuState {
    int bar = -1;  // the highlighted entry of the bar; -1 while the menu is closed
    bool dropped = false;
    int item = -1;
  } menu_;

  std::vector<std::unique_ptr<MessageBoxView>> boxes_;  // the newest last
  void answerBox(int value);  // answers the newest box and removes it
  // The boxes reporting work, by the work's id; work whose box was cancelled
  // shows none again.
  std::map<int, MessageBoxView*> progressBoxes_;
  std::set<int> cancelledWork_;


  struct HelpPage {
    std::string title;
    std::vector<std::wstring> lines;
    int top = 0;
  };
  std::optional<HelpPage> help_;

  // The focused entry of the active window, as it is being edited.
  EntryEditor editor_;
  int editWindow_ = 0, editField_ = 0;
  std::deque<std::string> echoes_;  // texts sent and not yet seen back
  struct PendingClick {
    int window, field, offset;
  };
  std::optional<PendingClick> clickedEntry_;
  std::wstring clipboard_;

  std::chrono::steady_clock::time_point bellUntil_{};
  int spinner_ = 0;
};

}  // namespace fesk::tui
