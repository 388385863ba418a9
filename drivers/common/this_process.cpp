#include "drivers/common/this_process.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

namespace fesk::drivers {
namespace {

std::atomic<pid_t> known{0};

}  // namespace

pid_t thisProcess() {
  [[maybe_unused]] static const bool followsForks = [] {
    pthread_atfork(nullptr, nullptr, [] { known = getpid(); });
    known = getpid();
    return true;
  }();
  return known;
}

}  // namespace fesk::drivers
