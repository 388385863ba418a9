#pragma once
// The runtime's front-end on a terminal: every call is posted to the Desktop
// on the terminal's thread (see posting_frontend.h) through a mailbox that
// wakes it.

#include <deque>
#include <functional>
#include <mutex>

#include "runtime/frontend/posting_frontend.h"
#include "ui/tui/desktop.h"

namespace fesk::tui {

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

class TuiFrontEnd : public apprt::PostingFrontEnd<Desktop> {
 public:
  explicit TuiFrontEnd(Mailbox& mailbox) : mailbox_(mailbox) {}

  // The halt message is printed once the terminal is restored.
  void programEnded(int exitCode, const std::string& haltMessage) override;
  // A terminal has no print preview: printing writes a PDF file instead, so
  // printPreview is never asked for.
  bool showsPrintPreview() const override { return false; }
  void printPreview(std::shared_ptr<apprt::PreviewedList> list, int) override { list->close(); }
  std::string haltMessage() const;

 protected:
  void post(std::function<void(Desktop&)> work) override { mailbox_.post(std::move(work)); }

 private:
  Mailbox& mailbox_;
  mutable std::mutex mutex_;
  std::string haltMessage_;
};

}  // namespace fesk::tui
