#pragma once
// Drives a program run through the headless front-end the way a person
// would: choose menu items, click buttons and rows, press keys, type, answer
// message boxes, and read what is shown. Every gesture waits until all
// procedure threads are idle again, so a test reads the outcome right after.

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/threads/program.h"
#include "ui/headless/headless_frontend.h"

namespace fesk::headless {

class SessionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SessionOptions {
  // How long one gesture may keep the program busy.
  std::chrono::milliseconds idleTimeout{15000};
  // How long the end of the program waits for procedure threads to end.
  std::chrono::milliseconds shutdownWait{apprt::kShutdownWait};
  // Answers queued before the program starts, for the message boxes that it
  // shows before the first gesture.
  std::vector<int> answers;
};

class Session {
 public:
  // Starts the program: `first` runs as procedure thread 1.
  explicit Session(apprt::Procedure first, std::function<void(const std::string&)> transcript = {},
                   const SessionOptions& options = {});
  ~Session();

  HeadlessFrontEnd& frontEnd() { return frontEnd_; }

  // Waits until every procedure thread is idle; throws on time-out.
  void waitIdle();

  // The window gestures go to: the one made current by useWindow, else the
  // newest open window that takes input.
  apprt::WindowView current() const;
  std::optional<apprt::WindowView> window(const std::string& title) const;
  // Makes the window with that title current and activates it; waits up to
  // the idle time-out for it to open.
  void useWindow(const std::string& title);
  // The same for the open window with that handle (windows may share a title).
  void useWindow(int handle);

  void menu(const std::string& itemText);
  void click(const std::string& controlText);  // a button, prompt or tab by its text
  void clickField(int field);
  void key(const std::string& name);  // "Down", "Ctrl+PgDn", "a", ...
  void keyCode(int code);
  // Types into the focused entry: typing after any other gesture replaces the
  // whole text (focus that arrives selects it), typing right after typing
  // appends. In a list, each character is a key press; a character that no
  // key code names ("Å") is a kKeyCharacter key that types it.
  void type(const std::string& text);
  void row(int n);  // click row n of the current window's first list
  void doubleRow(int n);
  void tab(const std::string& tabText);
  void scroll(int code, int thumb = 0);  // the list's scroll bar
  void dropButton(int field);            // a drop-down list's drop button
  void wheel(bool up);
  void close();                        // the current window's close box
  void resize();                       // the user resized the current window
  void resize(int width, int height);  // ... to this size in dialog units
  void answer(int button) { frontEnd_.answer(button); }

  // Ends the program if it still runs (closes every window; stops its threads
  // when that does not end it) and waits for it.
  int finish();
  bool ended() const { return run_.ended(); }
  int exitCode() const { return run_.exitCode(); }
  std::string haltMessage() const { return run_.haltMessage(); }

 private:
  void deliver(const apprt::Input& input);

  HeadlessFrontEnd frontEnd_;
  apprt::ProgramRun run_;
  int currentHandle_ = 0;
  int typedInFocus_ = -1;  // the focused field of the last `type`
  int typedInWindow_ = 0;
  bool typingGoesOn_ = false;  // no other gesture since the last `type`
  std::chrono::milliseconds idleTimeout_;
};

}  // namespace fesk::headless
