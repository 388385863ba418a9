#pragma once
// Procedure threads, the program lock, halting and the program's run.
//
// Procedure threads run one at a time: each holds the program lock while it
// runs and lets go of it only while it waits (for an event, a message box's
// answer, a driver lock). The process-wide state of the layers above is thus
// sound without locks of their own. A front-end's GUI thread never runs
// procedure code; it talks to the runtime through deliverInput().

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>

namespace apprt {

class FrontEnd;

using Procedure = std::function<void()>;

// Starts proc in a new procedure thread with at least stackBytes of stack and
// returns its thread number at once.
int START(Procedure proc, size_t stackBytes);

// The calling procedure thread's number (1 for the program's first procedure).
int THREAD();

// Ends the program from any procedure thread with the exit code and halt
// message; never returns (the thread unwinds, and every other procedure
// thread unwinds at its next wait).
[[noreturn]] void HALT(int exitCode, const std::string& message);

// Thrown by HALT and out of every wait once the program halts. Procedures do
// not catch it; the runtime does, at the top of each procedure thread.
struct ProgramHalted {};

// True once HALT was called.
bool halting();

// Makes thread `number` wake from its wait and wait again, so that the
// listeners of its waits (thread_wait.h) run in it; any thread may ask, and
// nothing happens when that thread has ended. The wake-up itself is an empty
// message that no window handles.
void wakeThread(int number);

namespace detail {
// The program lock let go for the lifetime of the object, the thread's
// listeners told first; taken back at the end. Only whileUnlocked uses it:
// the halt check that must follow every wait cannot live in a destructor.
class ProgramLockLetGo {
 public:
  ProgramLockLetGo();
  ~ProgramLockLetGo();
  ProgramLockLetGo(const ProgramLockLetGo&) = delete;
  ProgramLockLetGo& operator=(const ProgramLockLetGo&) = delete;
};
}  // namespace detail

// Runs the blocking `wait` with the program lock let go, takes the lock back
// (also when `wait` throws) and answers what `wait` answered. Throws
// ProgramHalted when the program halted meanwhile, so that the thread unwinds
// instead of going on with what the interrupted wait answered.
template <typename Wait>
auto whileUnlocked(Wait&& wait) {
  using Answer = std::invoke_result_t<Wait&>;
  if constexpr (std::is_void_v<Answer>) {
    {
      detail::ProgramLockLetGo letGo;
      wait();
    }
    if (halting()) throw ProgramHalted{};
  } else {
    std::optional<Answer> answer;
    {
      detail::ProgramLockLetGo letGo;
      answer.emplace(wait());
    }
    if (halting()) throw ProgramHalted{};
    return std::move(*answer);
  }
}

// How long the end of the program waits for procedure threads to close their
// windows and end.
inline constexpr std::chrono::seconds kShutdownWait{20};

// The program's run: the first procedure runs in thread 1; the run ends when
// it returns and every other procedure thread has ended. The other threads
// are asked to close down and given `shutdownWait` to end; a thread still
// running then is stopped at its next wait.
class ProgramRun {
 public:
  explicit ProgramRun(FrontEnd& frontEnd, std::chrono::milliseconds shutdownWait = kShutdownWait);
  ~ProgramRun();
  void start(Procedure firstProcedure);
  // Blocks until the run has ended; returns the exit code.
  int wait();
  // Makes every procedure thread unwind at its next wait, for a driver that
  // cannot get the program to end by closing its windows.
  void stop();
  bool ended() const;
  int exitCode() const;
  std::string haltMessage() const;
  // Blocks until every procedure thread waits for input with nothing queued,
  // or the run ended. Answers false on time-out.
  bool waitUntilIdle(std::chrono::milliseconds timeout);
};

// The front-end of the current run (the runtime's own use).
FrontEnd& frontEnd();

// How long the end of the current run waits for procedure threads to end.
std::chrono::milliseconds shutdownWait();

}  // namespace apprt
