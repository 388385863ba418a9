#include "runtime/threads/thread_hooks.h"

#include <atomic>

namespace apprt {
namespace {

const ThreadHooks kNoHooks;
// A pointer, so that a thread reading the hooks while they are handed over
// sees either the old set or the new one whole.
std::atomic<const ThreadHooks*> gHooks{&kNoHooks};

}  // namespace

void setThreadHooks(const ThreadHooks& hooks) {
  gHooks.store(&hooks, std::memory_order_release);
}

const ThreadHooks& threadHooks() {
  return *gHooks.load(std::memory_order_acquire);
}

}  // namespace apprt
