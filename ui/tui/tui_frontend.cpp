#include "ui/tui/tui_frontend.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <system_error>

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
  if (stopped_) return request.defaultButton;
  auto answer = std::make_shared<std::promise<int>>();
  std::future<int> answered = answer->get_future();
  mailbox_.post([request, answer](Desktop& d) {
    d.askMessageBox(request, [answer](int button) { answer->set_value(button); });
  });
  // The procedure thread waits here without the program lock; the terminal
  // goes on showing the other windows and taking their input.
  while (answered.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (stopped_) return request.defaultButton;
  return answered.get();
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
