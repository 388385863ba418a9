// The turns of a procedure thread's life that the layer above it hooks into,
// seen from a program of threads alone: a thread waiting for its turn, the
// first procedure's end asking the others to close down, and each thread's end.

#include "runtime/threads/thread_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "end_only_front_end.h"
#include "runtime/threads/program.h"
#include "runtime/threads/turn_wait.h"

namespace apprt {
namespace {

// What the hooks saw, each turn as "<thread>: <turn>". The hooks are plain
// functions, so what they see is kept here.
struct Turns {
  std::mutex mutex;
  std::vector<std::string> seen;
  bool messageHandled = false;  // guarded by the program lock

  void add(const std::string& turn) {
    std::lock_guard lock(mutex);
    seen.push_back(std::to_string(THREAD()) + ": " + turn);
  }
  std::vector<std::string> of(int thread) {
    std::lock_guard lock(mutex);
    std::vector<std::string> own;
    const std::string prefix = std::to_string(thread) + ": ";
    for (const auto& turn : seen)
      if (turn.starts_with(prefix)) own.push_back(turn.substr(prefix.size()));
    return own;
  }
};

Turns gTurns;

constexpr int kPostedHandle = 77;

const ThreadHooks kRecordingHooks{
    .threadEnding = [](int thread) { gTurns.add("ending " + std::to_string(thread)); },
    .lettingGo = [] { gTurns.add("letting go"); },
    .awaitingMessage = [] { gTurns.add("awaiting a message"); },
    .closeDownOthers =
        [](int exceptThread) {
          gTurns.add("closing down all but " + std::to_string(exceptThread));
          // A bare wake-up first: the waiting thread checks its turn again,
          // and no handler sees it.
          wakeThread(2);
          postToThread(2, Message{kPostedHandle, 0, 0, 0, std::nullopt});
        },
    .handleMessage =
        [](const Message& message) {
          gTurns.add("handling " + std::to_string(message.handle));
          gTurns.messageHandled = true;
        },
};

// The hooks recorded for the test alone; the ones handed over before (the
// window layer's, when another test made a window) are handed back after it.
class ThreadHooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gTurns.seen.clear();
    gTurns.messageHandled = false;
    setThreadHooks(kRecordingHooks);
  }
  void TearDown() override { setThreadHooks(before_); }

 private:
  const ThreadHooks& before_ = threadHooks();
};

TEST_F(ThreadHooksTest, EachTurnOfAThreadsLifeReachesTheLayerAboveInThatThread) {
  EndOnlyFrontEnd frontEnd;
  ProgramRun run(frontEnd);
  bool turnCame = false;
  run.start([&] {
    START(
        [&] {
          // Its turn comes with the first message it handles, which only the
          // first thread's end sends.
          waitForTurn([] { return gTurns.messageHandled; });
          turnCame = true;
        },
        0);
  });
  EXPECT_EQ(run.wait(), 0);
  EXPECT_TRUE(turnCame);

  const std::vector<std::string> first = gTurns.of(1);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(std::count(first.begin(), first.end(), "closing down all but 1"), 1);
  EXPECT_EQ(first.back(), "ending 1") << "the first thread's end is its last turn";

  const std::vector<std::string> second = gTurns.of(2);
  ASSERT_GE(second.size(), 4u);
  EXPECT_EQ(second[0], "awaiting a message");
  EXPECT_EQ(second[1], "letting go") << "what it changed is shown before it lets go";
  EXPECT_EQ(std::count(second.begin(), second.end(), "handling 77"), 1);
  EXPECT_EQ(std::count_if(second.begin(), second.end(),
                          [](const std::string& turn) { return turn.starts_with("handling"); }),
            1)
      << "the bare wake-up reached no handler";
  EXPECT_EQ(std::vector(second.end() - 2, second.end()),
            (std::vector<std::string>{"handling 77", "ending 2"}));

  std::lock_guard lock(gTurns.mutex);
  const auto at = [&](const std::string& turn) {
    return std::find(gTurns.seen.begin(), gTurns.seen.end(), turn) - gTurns.seen.begin();
  };
  EXPECT_LT(at("2: ending 2"), at("1: ending 1")) << "the run waits for the others to end first";
}

}  // namespace
}  // namespace apprt
