#include "ui/tui/tui_frontend.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

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

void TuiFrontEnd::programEnded(int, const std::string& haltMessage) {
  std::lock_guard lock(mutex_);
  haltMessage_ = haltMessage;
}

std::string TuiFrontEnd::haltMessage() const {
  std::lock_guard lock(mutex_);
  return haltMessage_;
}

}  // namespace fesk::tui
