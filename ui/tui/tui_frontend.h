#pragma once
// The runtime's front-end on a terminal. The runtime calls it from procedure
// threads; every call is handed to the terminal's thread through a mailbox
// that wakes it, and returns at once, except a message box, whose procedure
// thread waits for the answer.

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

#include "runtime/frontend.h"
#include "runtime/progress.h"

namespace fesk::tui {

class Desktop;

// Work for the terminal's thread, with a pipe that becomes readable when there
// is some, so that one poll() waits for keys and work alike.
class Mailbox {
 public:
  using Work = std::function<void(Desktop&)>;
  Mailbox();
  ~Mailbox();
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  void post(Work work);     // any thread
  std::deque<Work> take();  // the terminal's thread; empties the pipe too
  int wakeDescriptor() const { return pipe_[0]; }

 private:
  std::mutex mutex_;
  std::deque<Work> work_;
  int pipe_[2] = {-1, -1};
};

class TuiFrontEnd : public apprt::FrontEnd {
 public:
  explicit TuiFrontEnd(Mailbox& mailbox) : mailbox_(mailbox) {}

  void windowChanged(const apprt::WindowView& view) override;
  void windowClosed(int handle) override;
  int messageBox(const apprt::MessageBoxRequest& request) override;
  void beep() override;
  void standardAction(apprt::StandardAction action, int window) override;
  void help(const std::string& helpId) override;
  void programEnded(int exitCode, const std::string& haltMessage) override;
  // A terminal has no print preview: printing writes a PDF file instead, so
  // printPreview is never asked for.
  bool showsPrintPreview() const override { return false; }
  void printPreview(const apprt::PrintedList&, int) override {}
  std::string askSavePath(const apprt::SavePathRequest& request) override;
  bool progress(const apprt::ProgressView& view) override;

  // The terminal is going away: boxes asked from now on (or still waiting)
  // answer their default button, so that procedure threads can end.
  void stop() { stopped_ = true; }
  std::string haltMessage() const;

 private:
  Mailbox& mailbox_;
  std::atomic<bool> stopped_{false};
  apprt::StopRequests stops_;
  mutable std::mutex mutex_;
  std::string haltMessage_;
};

}  // namespace fesk::tui
