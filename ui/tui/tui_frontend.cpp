#include "ui/tui/tui_frontend.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

#include "runtime/awaited_answer.h"
#include "ui/tui/desktop.h"

namespace fesk::tui {

Mailbox::Mailbox() {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot make the terminal's mailbox");
}

Mailbox::~Mailbox() {
  close(pipe_[0]);
  close(pipe_[1]);
}

void Mailbox::post(Work work) {
  {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
  }
  // A full pipe already wakes the terminal: the byte is not needed then.
  const char wake = 1;
  [[maybe_unused]] ssize_t written = write(pipe_[1], &wake, 1);
}

std::deque<Mailbox::Work> Mailbox::take() {
  char bytes[256];
  while (read(pipe_[0], bytes, sizeof bytes) > 0) {
  }
  std::lock_guard lock(mutex_);
  return std::exchange(work_, {});
}

void TuiFrontEnd::windowChanged(const apprt::WindowView& view) {
  mailbox_.post([view](Desktop& d) { d.showWindow(view); });
}

void TuiFrontEnd::windowClosed(int handle) {
  mailbox_.post([handle](Desktop& d) { d.closeWindow(handle); });
}

int TuiFrontEnd::messageBox(const apprt::MessageBoxRequest& request) {
  return apprt::awaitAnswer(
      [&](auto answer) {
        mailbox_.post([request, answer](Desktop& d) { d.askMessageBox(request, answer); });
      },
      stopped_, request.defaultButton);
}

std::string TuiFrontEnd::askSavePath(const apprt::SavePathRequest& request) {
  return apprt::awaitAnswer(
      [&](auto answer) {
        mailbox_.post([request, answer](Desktop& d) { d.askSavePath(request, answer); });
      },
      stopped_, std::string());
}

bool TuiFrontEnd::progress(const apprt::ProgressView& view) {
  mailbox_.post([view, this](Desktop& d) {
    d.showProgress(view, [this, id = view.id] { stops_.ask(id); });
  });
  return stops_.asked(view);
}

void TuiFrontEnd::beep() {
  mailbox_.post([](Desktop& d) { d.beep(); });
}

void TuiFrontEnd::standardAction(apprt::StandardAction action, int) {
  mailbox_.post([action](Desktop& d) { d.standardAction(action); });
}

void TuiFrontEnd::help(const std::string& helpId) {
  mailbox_.post([helpId](Desktop& d) { d.showHelp(helpId); });
}

void TuiFrontEnd::programEnded(int, const std::string& haltMessage) {
  std::lock_guard lock(mutex_);
  haltMessage_ = haltMessage;
}

std::string TuiFrontEnd::haltMessage() const {
  std::lock_guard lock(mutex_);
  return haltMessage_;
}

}  // namespace fesk::tui
