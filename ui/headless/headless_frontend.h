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

#include "runtime/frontend/frontend.h"

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
  void bringToFront(int window) override;
  void listFollowedChanges(int window, int field) override;
  void help(const std::string& helpId) override;
  void programEnded(int exitCode, const std::string& haltMessage) override;
  bool showsPrintPreview() const override;
  void printPreview(std::shared_ptr<apprt::PreviewedList> list, int window) override;
  std::string askSavePath(const apprt::SavePathRequest& request) override;
  bool progress(const apprt::ProgressView& view) override;

  // Queues the answer (a button value) for the next message box.
  void answer(int button);
  size_t pendingAnswers() const;
  // Queues the answer to the next question for a file ("": cancelled).
  void answerSavePath(std::string path);
  // The next progress report answers that the user asked to stop.
  void stopProgress();
  // At the next progress report the user types `key` in the window the work
  // was started from, as one who does not wait for the report to show.
  void keyDuringWork(int key);
  // Whether print previews are shown (and kept, see printPreviews), as on the
  // desktop; without them printing asks for a PDF file, as on a terminal.
  void showPrintPreviews(bool shown);

  // What a person sees now: the open windows, oldest first.
  std::vector<apprt::WindowView> windows() const;
  std::vector<ShownMessageBox> messageBoxes() const;
  std::vector<std::string> errors() const;  // message boxes that found no answer
  int beeps() const;
  // How many times a list was read again for a change another program made.
  int followedReloads() const;
  std::vector<apprt::StandardAction> standardActions() const;
  std::vector<apprt::PrintedList> printPreviews() const;
  std::vector<apprt::SavePathRequest> savePathRequests() const;
  std::vector<apprt::ProgressView> progressReports() const;

 private:
  void write(const std::string& line);

  mutable std::mutex mutex_;
  std::function<void(const std::string&)> sink_;
  std::map<int, apprt::WindowView> windows_;
  std::vector<int> order_;
  std::deque<int> answers_;
  std::vector<ShownMessageBox> boxes_;
  std::vector<std::string> errors_;
  std::vector<apprt::StandardAction> actions_;
  bool showsPreviews_ = false;
  std::vector<apprt::PrintedList> previews_;
  std::deque<std::string> paths_;
  std::vector<apprt::SavePathRequest> pathRequests_;
  bool stopAsked_ = false;
  int keyDuringWork_ = 0;
  std::vector<apprt::ProgressView> progress_;
  int beeps_ = 0;
  int followedReloads_ = 0;
};

// Button values written as people read them ("OK", "Yes", "No", "Cancel").
std::string buttonName(int button);
int buttonFromName(const std::string& name);  // 0 when unknown
std::string buttonsText(int buttons);

}  // namespace fesk::headless
