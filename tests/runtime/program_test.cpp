// Procedure threads: the program lock, thread numbers, stack sizes, halting
// and the end of the program.

#include "runtime/threads/program.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "end_only_front_end.h"
#include "runtime/frontend/frontend.h"

namespace apprt {
namespace {

// Lets the program lock go for a moment, as a procedure does when it waits.
void pause() {
  whileUnlocked([] { std::this_thread::yield(); });
}

TEST(ProgramLock, TwoProcedureThreadsNeverRunAtOnce) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  std::atomic<int> inside = 0, overlaps = 0;
  long shared = 0;  // process-wide state with no lock of its own
  constexpr int kThreads = 4, kRounds = 3000;
  auto work = [&] {
    for (int i = 0; i < kRounds; ++i) {
      if (inside.fetch_add(1) != 0) ++overlaps;
      long seen = shared;
      std::this_thread::yield();  // invite another thread to run now
      shared = seen + 1;
      inside.fetch_sub(1);
      pause();
    }
  };
  run.start([&] {
    for (int t = 1; t < kThreads; ++t) START(work, 0);
    work();  // the run waits for the others when this returns
  });
  EXPECT_EQ(run.wait(), 0);
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(shared, long{kThreads} * kRounds);
}

TEST(ProgramLock, AThreadThatWaitsLetsAnotherRun) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  std::mutex m;
  std::condition_variable cv;
  bool secondRan = false;
  run.start([&] {
    START(
        [&] {
          std::lock_guard lock(m);
          secondRan = true;
          cv.notify_all();
        },
        0);
    // Thread 2 can only run while this one waits with the lock let go.
    whileUnlocked([&] {
      std::unique_lock lock(m);
      EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return secondRan; }));
    });
  });
  run.wait();
  EXPECT_TRUE(secondRan);
}

TEST(ProgramThreads, NumbersStartAtOneAndStackRequestsAreMinimums) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  std::vector<int> numbers;
  std::atomic<int> depthReached = 0;
  // 3000 frames of 8 KiB: 24 MiB of stack, more than any default gives.
  std::function<void(int)> recurse = [&](int depth) {
    volatile char frame[8192];
    frame[0] = static_cast<char>(depth);
    if (depth < 3000) recurse(depth + 1);
    depthReached = std::max(depthReached.load(), depth + frame[0] - frame[0]);
  };
  run.start([&] {
    numbers.push_back(THREAD());
    int second = START([&] { numbers.push_back(THREAD()); }, 25000);
    int third = START([&] { recurse(1); }, size_t{64} * 1024 * 1024);
    numbers.push_back(second);
    numbers.push_back(third);
  });
  run.wait();
  ASSERT_EQ(numbers.size(), 4u);
  // Thread 2 runs only once thread 1 waits, at its end.
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 2}))
      << "START answers 2 and 3; THREAD() inside thread 2 answers 2";
  EXPECT_EQ(depthReached, 3000);
  EXPECT_EQ(THREAD(), 0) << "not a procedure thread";
}

TEST(ProgramThreads, ADeepRecursionWorksWithThe25000ByteRequest) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  std::atomic<bool> done = false;
  // About 2 MiB of stack: fine for the runtime's minimum, far beyond 25000.
  std::function<int(int)> recurse = [&](int depth) -> int {
    volatile char frame[1024];
    frame[0] = 1;
    return depth == 0 ? frame[0] : recurse(depth - 1) + frame[0];
  };
  run.start([&] { START([&] { done = recurse(2000) == 2001; }, 25000); });
  run.wait();
  EXPECT_TRUE(done);
}

TEST(Halting, EveryThreadUnwindsAndTheExitCodeAndMessageAreReported) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  std::atomic<int> started = 0, unwound = 0, carriedOn = 0;
  struct Unwinding {
    std::atomic<int>& started;
    std::atomic<int>& count;
    explicit Unwinding(std::atomic<int>& s, std::atomic<int>& c) : started(s), count(c) {
      ++started;
    }
    ~Unwinding() { ++count; }
  };
  auto waiter = [&] {
    Unwinding u(started, unwound);
    for (;;) pause();
  };
  run.start([&] {
    START(waiter, 0);
    START(waiter, 0);
    START(
        [&] {
          Unwinding u(started, unwound);
          pause();
          HALT(7, "stopped by thread 4");
          ++carriedOn;
        },
        0);
    Unwinding u(started, unwound);
    for (;;) pause();
  });
  EXPECT_EQ(run.wait(), 7);
  // A thread that first gets the program lock after the halt never starts.
  EXPECT_GE(started, 2) << "the first and the halting thread";
  EXPECT_EQ(unwound, started) << "every thread that started unwound";
  EXPECT_EQ(carriedOn, 0);
  EXPECT_EQ(run.haltMessage(), "stopped by thread 4");
  EXPECT_EQ(frontEnd.endedWith, 7);
  EXPECT_EQ(frontEnd.haltMessage, "stopped by thread 4");
}

// What a thread holds for itself (its files, its sessions) goes when the
// thread exits, after its procedure; the program is over only once all of it
// has gone, also when the program halted.
TEST(Halting, TheProgramEndsOnceItsThreadsHaveLetGoOfWhatTheyHeld) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  static std::atomic<int> made = 0, held = 0;
  struct Held {
    Held() {
      ++made;
      ++held;
    }
    ~Held() {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a slow close
      --held;
    }
  };
  auto holding = [] {
    thread_local Held kept;
    (void)kept;
  };
  run.start([&] {
    START(
        [&] {
          holding();
          for (;;) pause();
        },
        0);
    holding();
    pause();
    HALT(3, "halted");
  });
  EXPECT_EQ(run.wait(), 3);
  EXPECT_GE(made, 1);
  EXPECT_EQ(held, 0) << "a thread's own things were still held when the program ended";
}

TEST(Halting, AFaultInAProcedureEndsTheProgramWithAMessage) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  run.start([] {
    START([] { throw 42; }, 0);
    for (;;) pause();
  });
  EXPECT_EQ(run.wait(), 1);
  EXPECT_NE(run.haltMessage().find("Internal error"), std::string::npos);
}

TEST(Halting, ANewRunStartsAfresh) {
  EndOnlyFrontEnd frontEnd;
  {
    ProgramRun run(frontEnd);
    run.start([] { HALT(5, "first"); });
    EXPECT_EQ(run.wait(), 5);
  }
  ProgramRun run(frontEnd);
  int number = 0;
  run.start([&] { number = THREAD(); });
  EXPECT_EQ(run.wait(), 0);
  EXPECT_FALSE(halting());
  EXPECT_EQ(run.haltMessage(), "");
  EXPECT_EQ(number, 1);
}

}  // namespace
}  // namespace apprt
