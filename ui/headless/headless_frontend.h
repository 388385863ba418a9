#pragma once
// The headless front-end: keeps a mirror of every open window as a person
// would see it, answers message boxes from a queue of answers, and writes a
// transcript of what happened (windows opened and closed, message boxes,
// beeps). Every acceptance test and every script runs through it.

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/frontend.h"

namespace fesk::headless {

struct ShownMessageBox {
  apprt::MessageBoxRequest request;
  int answer = 0;
};

class HeadlessFrontEnd : public apprt::FrontEnd {
 public:
  // Lines of the transcript go to sink as they happen.
  explicit HeadlessFrontEnd(std::function<void(const std::string&)> sink = {});

  void windowChanged(const apprt::WindowView& view) override;
  void windowClosed(int handle) override;
  int messageBox(const apprt::MessageBoxRequest& request) override;
  void beep() override;
  void standardAction(apprt::StandardAction action, int window) override;
  void help(const std::string& helpId) override;
  void programEnded(int exitCode, const std::string& haltMessage) override;

  // Queues the answer (a button value) for the next message box.
  void answer(int button);
  size_t pendingAnswers() const;

  // What a person sees now: the open windows, oldest first.
  std::vector<apprt::WindowView> windows() const;
  std::vector<ShownMessageBox> messageBoxes() const;
  std::vector<std::string> errors() const;  // message boxes that found no answer
  int beeps() const;
  std::vector<std::string> helpShown() const;
  std::vector<apprt::StandardAction> standardActions() const;

 private:
  void write(const std::string& line);

  mutable std::mutex mutex_;
  std::function<void(const std::string&)> sink_;
  std::map<int, apprt::WindowView> windows_;
  std::vector<int> order_;
  std::deque<int> answers_;
  std::vector<ShownMessageBox> boxes_;
  std::vector<std::string> errors_;
  std::vector<std::string> help_;
  std::vector<apprt::StandardAction> actions_;
  int beeps_ = 0;
};

// Button values written as people read them ("OK", "Yes", "No", "Cancel").
std::string buttonName(int button);
int buttonFromName(const std::string& name);  // 0 when unknown
std::string buttonsText(int buttons);

}  // namespace fesk::headless
