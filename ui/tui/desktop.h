#pragma once
// The terminal's desktop: the frame as the whole screen (menu bar, tool bar,
// status line) and the program's windows inside it as overlapping framed
// windows, the active one on top. It shows what the runtime sends, carries out
// the standard actions, shows message boxes and help, and turns what the user
// types and clicks into the runtime's input, handing each concern to a part
// of its own (windows, menu, boxes, help, the focused entry). It lives on the
// terminal's own thread and never waits for a procedure.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "runtime/frontend/frontend.h"
#include "ui/tui/box_stack.h"
#include "ui/tui/canvas.h"
#include "ui/tui/focused_entry.h"
#include "ui/tui/help_page_view.h"
#include "ui/tui/key_decoding.h"
#include "ui/tui/menu_control.h"
#include "ui/tui/shown_window.h"
#include "ui/tui/window_stack.h"

namespace fesk::tui {

class Desktop {
 public:
  Desktop(InputSink send, int cols, int rows);
  // Its parts keep references to its members: it stays where it was made.
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // What the runtime asks for.
  void showWindow(const apprt::WindowView& view);
  void closeWindow(int handle);
  void askMessageBox(const apprt::MessageBoxRequest& request, std::function<void(int)> answer);
  // Window actions apply to every window of the terminal, whichever asked.
  void standardAction(apprt::StandardAction action, int window = 0);
  void bringToFront(int window);
  void showHelp(const std::string& helpId);
  void beep();
  // Asks for a file to write in a box with an entry.
  void askSavePath(const apprt::SavePathRequest& request, std::function<void(std::string)> answer);
  // Shows, updates or removes the box reporting a piece of work; its Cancel
  // button calls `stop`.
  void showProgress(const apprt::ProgressView& view, std::function<void()> stop);
  // Boxes still waiting answer their defaults (the program is being ended);
  // a question for a file answers that none was chosen.
  void answerWaitingBoxes();

  // What the user does (desktop_input.cpp).
  void key(const TerminalKey& key);
  void click(int col, int row, bool twice);
  void wheel(int col, int row, bool up);
  void resize(int cols, int rows);

  void paint(Canvas& canvas);  // desktop_paint.cpp
  // Whether something moves on the screen by itself (the busy indicator), so
  // that it wants painting again soon.
  bool animating() const;

  // What is shown, for the status line and for tests.
  const ShownWindow* activeWindow() const { return windows_.active(); }
  const ShownWindow* window(int handle) const { return windows_.find(handle); }
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
  // Carries out a menu entry: a window of the window list, or a menu item.
  void choose(const MenuEntry& entry);
  void windowClick(ShownWindow& w, int col, int row, bool twice);

  InputSink send_;
  int cols_, rows_;
  std::optional<apprt::WindowView> frame_;
  WindowStack windows_{send_};
  MenuControl menu_{frame_, [this] { return windows_.menuItems(); }};
  BoxStack boxes_{cols_, rows_};
  HelpPageView help_;
  FocusedEntry entry_{send_};
  std::chrono::steady_clock::time_point bellUntil_{};
  int spinner_ = 0;
};

}  // namespace fesk::tui
