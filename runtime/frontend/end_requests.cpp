#include "runtime/frontend/end_requests.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace apprt {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
int gPipe[2] = {-1, -1};

void onEndSignal(int signal) {
  const char number = static_cast<char>(signal);
  [[maybe_unused]] ssize_t written = write(gPipe[1], &number, 1);
}

}  // namespace

EndRequests::EndRequests() {
  if (pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) gPipe[0] = gPipe[1] = -1;
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onEndSignal;
  action.sa_flags = SA_RESTART;
  for (int s : kEndSignals) sigaction(s, &action, nullptr);
}

EndRequests::~EndRequests() {
  for (int s : kEndSignals) std::signal(s, SIG_DFL);
}

int EndRequests::descriptor() const {
  return gPipe[0];
}

int EndRequests::take() {
  int count = 0;
  char bytes[16];
  for (ssize_t n; (n = read(gPipe[0], bytes, sizeof bytes)) > 0;) count += static_cast<int>(n);
  return count;
}

}  // namespace apprt
