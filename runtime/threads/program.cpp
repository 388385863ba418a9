#include "runtime/threads/program.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <stdexcept>

#include "runtime/files/thread_wait.h"
#include "runtime/frontend/constants.h"
#include "runtime/frontend/frontend.h"
#include "runtime/threads/procedure_thread.h"
#include "runtime/threads/thread_hooks.h"

namespace apprt {
namespace {

std::mutex gProgramMutex;  // the program lock
thread_local std::unique_lock<std::mutex>* tProgramLock = nullptr;
thread_local ProcedureThread* tThread = nullptr;

// Bookkeeping of the run, under its own small lock so that front-ends and
// waiting test drivers can look at it without the program lock.
struct RunState {
  std::mutex mutex;
  std::condition_variable changed;
  FrontEnd* frontEnd = nullptr;
  std::map<int, std::shared_ptr<ProcedureThread>> threads;
  int nextThread = 1;
  int waitingThreads = 0;  // threads blocked in waitForMessage with an empty inbox
  bool started = false;
  bool ended = false;
  std::atomic<bool> halted{false};
  int exitCode = 0;
  std::string haltMessage;
  std::chrono::milliseconds shutdownWait{kShutdownWait};
};

RunState& run() {
  static RunState state;
  return state;
}

constexpr size_t kMinimumStack = size_t{8} * 1024 * 1024;

struct ThreadStart {
  std::shared_ptr<ProcedureThread> thread;
  Procedure procedure;
};

void endThread(ProcedureThread& t) {
  auto& r = run();
  std::lock_guard lock(r.mutex);
  r.threads.erase(t.number);
  r.changed.notify_all();
}

// A thread's part in the program ends once everything the thread held for
// itself has gone: its files' instances and its sessions are thread-locals,
// closed when the thread exits. Made first in the thread, this one is
// destroyed last, after them; until then the program is not over, so that
// none of its files is still open (its open marker still there, its session
// still connected) when the program's caller goes on.
struct ThreadEnd {
  std::shared_ptr<ProcedureThread> thread;
  ~ThreadEnd() {
    if (thread) endThread(*thread);
  }
};

void* threadMain(void* arg) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(arg));
  std::shared_ptr<ProcedureThread> self = start->thread;
  thread_local ThreadEnd end;
  end.thread = self;
  tThread = self.get();
  {
    std::unique_lock lock(gProgramMutex);
    tProgramLock = &lock;
    // A fault in procedure code must not leave the program running without
    // it; end it with a message the user can report.
    auto fault = [](const std::string& what) {
      try {
        HALT(1, "Internal error: " + what);
      } catch (const ProgramHalted&) {
      }
    };
    try {
      // A thread that first gets the lock after the program halted has
      // nothing left to do.
      if (!halting()) start->procedure();
    } catch (const ProgramHalted&) {
    } catch (const std::exception& e) {
      fault(e.what());
    } catch (...) {
      fault("unknown exception");
    }
    try {
      threadHooks().threadEnding(self->number);
    } catch (const ProgramHalted&) {
    }
    tProgramLock = nullptr;
  }
  tThread = nullptr;
  return nullptr;
}

void wakeEveryThread() {
  auto& r = run();
  std::vector<std::shared_ptr<ProcedureThread>> all;
  {
    std::lock_guard lock(r.mutex);
    for (auto& [n, t] : r.threads) all.push_back(t);
  }
  for (auto& t : all) {
    std::lock_guard lock(t->inboxMutex);
    t->inboxSignal.notify_all();
  }
}

}  // namespace

ProcedureThread* currentThread() {
  return tThread;
}

std::shared_ptr<ProcedureThread> findThread(int number) {
  auto& r = run();
  std::lock_guard lock(r.mutex);
  auto it = r.threads.find(number);
  return it == r.threads.end() ? nullptr : it->second;
}

int START(Procedure proc, size_t stackBytes) {
  auto& r = run();
  auto thread = std::make_shared<ProcedureThread>();
  {
    std::lock_guard lock(r.mutex);
    thread->number = r.nextThread++;
    r.threads[thread->number] = thread;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, std::max(stackBytes, kMinimumStack));
  pthread_t id;
  auto* start = new ThreadStart{thread, std::move(proc)};
  int rc = pthread_create(&id, &attr, threadMain, start);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete start;
    endThread(*thread);
    throw std::runtime_error("cannot start a procedure thread");
  }
  pthread_detach(id);
  return thread->number;
}

bool postToThread(int number, Message message) {
  auto thread = findThread(number);
  if (!thread) return false;
  {
    std::lock_guard lock(thread->inboxMutex);
    thread->inbox.push_back(std::move(message));
    ++thread->pending;
  }
  thread->inboxSignal.notify_all();
  return true;
}

void wakeThread(int number) {
  postToThread(number, Message{});
}

int THREAD() {
  return tThread ? tThread->number : 0;
}

bool halting() {
  return run().halted.load();
}

namespace {
// Makes every procedure thread unwind at its next wait. The first caller's
// exit code and message are the program's.
void stopEveryThread(int exitCode, const std::string& message) {
  auto& r = run();
  if (!r.halted.exchange(true)) {
    std::lock_guard lock(r.mutex);
    r.exitCode = exitCode;
    r.haltMessage = message;
  }
  wakeEveryThread();
}
}  // namespace

void HALT(int exitCode, const std::string& message) {
  stopEveryThread(exitCode, message);
  throw ProgramHalted{};
}

detail::ProgramLockLetGo::ProgramLockLetGo() {
  threadHooks().lettingGo();
  threadWillWait();
  if (tProgramLock) tProgramLock->unlock();
}

detail::ProgramLockLetGo::~ProgramLockLetGo() {
  if (tProgramLock) tProgramLock->lock();
}

namespace {
// The thread's next message, waited for without the program lock.
Message nextMessage(ProcedureThread& t) {
  auto& r = run();
  std::unique_lock inbox(t.inboxMutex);
  for (;;) {
    if (halting()) return {};  // whileUnlocked reports the halt
    if (!t.inbox.empty()) {
      Message m = std::move(t.inbox.front());
      t.inbox.pop_front();
      --t.pending;
      return m;
    }
    // Timers are not work: a thread whose only pending thing is a timer is idle.
    auto now = std::chrono::steady_clock::now();
    Timer* next = nullptr;
    for (auto& timer : t.timers)
      if (!next || timer.due < next->due) next = &timer;
    if (next && next->due <= now) {
      next->due = now + next->period;
      return Message{next->handle, kMsgTimer, static_cast<uintptr_t>(next->id), 0, std::nullopt};
    }
    {
      std::lock_guard lock(r.mutex);
      ++r.waitingThreads;
      r.changed.notify_all();
    }
    if (next) {
      t.inboxSignal.wait_until(inbox, next->due);
    } else {
      t.inboxSignal.wait(inbox);
    }
    std::lock_guard lock(r.mutex);
    --r.waitingThreads;
  }
}
}  // namespace

Message waitForMessage() {
  threadHooks().awaitingMessage();
  ProcedureThread& t = *tThread;
  return whileUnlocked([&] { return nextMessage(t); });
}

int runningThreadCount() {
  auto& r = run();
  std::lock_guard lock(r.mutex);
  return static_cast<int>(r.threads.size());
}

void waitForOtherThreads(std::chrono::milliseconds limit) {
  auto& r = run();
  whileUnlocked([&] {
    std::unique_lock lock(r.mutex);
    r.changed.wait_for(lock, limit, [&] { return r.threads.size() <= 1; });
  });
}

std::chrono::milliseconds shutdownWait() {
  auto& r = run();
  std::lock_guard lock(r.mutex);
  return r.shutdownWait;
}

FrontEnd& frontEnd() {
  FrontEnd* f = run().frontEnd;
  if (!f) throw std::logic_error("no front-end: the program is not running");
  return *f;
}

ProgramRun::ProgramRun(FrontEnd& frontEnd, std::chrono::milliseconds shutdownWait) {
  auto& r = run();
  std::lock_guard lock(r.mutex);
  if (r.started && !r.ended) throw std::logic_error("a program run is already under way");
  r.frontEnd = &frontEnd;
  r.shutdownWait = shutdownWait;
  r.started = false;
  r.ended = false;
  r.halted = false;
  r.exitCode = 0;
  r.haltMessage.clear();
  r.nextThread = 1;
  r.waitingThreads = 0;
}

ProgramRun::~ProgramRun() {
  if (run().started) wait();
  std::lock_guard lock(run().mutex);
  run().frontEnd = nullptr;
}

void ProgramRun::start(Procedure firstProcedure) {
  auto& r = run();
  {
    std::lock_guard lock(r.mutex);
    r.started = true;
  }
  START(
      [first = std::move(firstProcedure)] {
        first();
        // The program's life is its first procedure's: the others are asked
        // to close and given time to end in order; one that is still running
        // then is stopped, so that the program does end.
        if (runningThreadCount() > 1) {
          threadHooks().closeDownOthers(THREAD());
          waitForOtherThreads(shutdownWait());
        }
        if (runningThreadCount() > 1) stopEveryThread(0, "");
      },
      0);
}

int ProgramRun::wait() {
  auto& r = run();
  {
    std::unique_lock lock(r.mutex);
    r.changed.wait(lock, [&] { return r.threads.empty(); });
    if (r.ended) return r.exitCode;
    r.ended = true;
  }
  r.frontEnd->programEnded(r.exitCode, r.haltMessage);
  return r.exitCode;
}

void ProgramRun::stop() {
  stopEveryThread(0, "");
}

bool ProgramRun::ended() const {
  std::lock_guard lock(run().mutex);
  return run().started && run().threads.empty();
}

int ProgramRun::exitCode() const {
  std::lock_guard lock(run().mutex);
  return run().exitCode;
}

std::string ProgramRun::haltMessage() const {
  std::lock_guard lock(run().mutex);
  return run().haltMessage;
}

bool ProgramRun::waitUntilIdle(std::chrono::milliseconds timeout) {
  auto& r = run();
  auto idle = [&] {
    if (r.threads.empty()) return true;
    if (r.waitingThreads != static_cast<int>(r.threads.size())) return false;
    for (auto& [n, t] : r.threads)
      if (t->pending > 0) return false;
    return true;
  };
  std::unique_lock lock(r.mutex);
  return r.changed.wait_for(lock, timeout, idle);
}

}  // namespace apprt
