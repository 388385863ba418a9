#pragma once
// The runtime's own view of a procedure thread: its inbox (what other threads
// and the front-end send it), its open windows and its event loops. Internal
// to runtime/.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"

namespace apprt {

struct Message {
  int handle = 0;
  uint32_t msg = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  std::optional<Input> input;  // input from the front-end, routed by the owner thread
};

struct Timer {
  int handle = 0;
  int id = 0;
  std::chrono::milliseconds period{0};
  std::chrono::steady_clock::time_point due;
};

struct ProcedureThread {
  int number = 0;
  // The inbox has a lock of its own so that the front-end can deliver to it
  // without the program lock.
  std::mutex inboxMutex;
  std::condition_variable inboxSignal;
  std::deque<Message> inbox;
  std::atomic<int> pending{0};  // inbox size, readable without the inbox lock
  // Long work reported to the user (progress.h) going on in the thread, and
  // whether an Esc typed in one of its windows meanwhile asked it to stop.
  std::atomic<int> workReported{0};
  std::atomic<bool> stopTyped{false};
  // Guarded by the program lock.
  std::vector<int> windows;  // open windows, newest last
  std::vector<Timer> timers;
};

// The calling thread's state (nullptr outside procedure threads).
ProcedureThread* currentThread();
// The state of thread `number`, while it runs.
std::shared_ptr<ProcedureThread> findThread(int number);

// Queues a message for thread `number`; false when that thread is not running.
bool postToThread(int number, Message message);

// Waits (the program lock released) until the calling thread's inbox has a
// message or a timer is due, and answers it. Throws ProgramHalted when the
// program halts meanwhile.
Message waitForMessage();

// The number of procedure threads still running.
int runningThreadCount();
// Waits, the program lock released, until only the calling thread runs or the
// time is up.
void waitForOtherThreads(std::chrono::milliseconds limit);

}  // namespace apprt
