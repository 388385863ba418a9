// Event loops: nested loops, events posted across threads, and a halt with
// windows open.

#include <gtest/gtest.h>

#include <atomic>

#include "event_log.h"
#include "runtime/frontend/window_definition.h"
#include "test_window.h"
#include "ui/headless/session.h"

namespace fesk::test {
namespace {

using headless::Session;

class EventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { apprt::registerWindowDefinitions(kTestWindows); }
  EventLog log;
  std::unique_ptr<Session> session;
};

TEST_F(EventLoopTest, AnInnerLoopRunsLikeTheOuterOneAndTheOuterEventIsRestored) {
  struct Current {
    int event, field, accepted, key;
    bool operator==(const Current&) const = default;
  };
  std::vector<Current> afterInner;
  session = std::make_unique<Session>([&] {
    runLoggedWindow("FORM", log, [&](int event, int field) {
      if (event != apprt::kEventAccepted || field != 11) return 0;
      apprt::startEventLoop();
      int step = 0;
      while (!apprt::endEventLoop(step)) {
        log.add({"inner", apprt::EVENT(), apprt::FIELD(), apprt::KEYCODE()});
        step = apprt::ACCEPTED() == 12 ? -1 : 0;
      }
      afterInner.push_back({apprt::EVENT(), apprt::FIELD(), apprt::ACCEPTED(), apprt::KEYCODE()});
      return 0;
    });
  });
  session->click("OK");
  session->key("Tab");  // handled by the inner loop: focus to Cancel
  session->key("Enter");
  EXPECT_EQ(log.takeEventsOf("inner"),
            (Events{{apprt::kEventSelected, 12}, {apprt::kEventAccepted, 12}}));
  ASSERT_EQ(afterInner.size(), 1u);
  EXPECT_EQ(afterInner[0], (Current{1, 11, 11, apprt::kKeyMouseLeft}));
  session->key("Esc");  // the outer loop goes on as before
  EXPECT_TRUE(session->ended());
}

TEST_F(EventLoopTest, EventsPostedToAWindowOfAnotherThreadArriveThere) {
  std::atomic<int> formWindow = 0;
  session = std::make_unique<Session>([&] {
    runLoggedWindow("FRAME", log, [&](int event, int field) {
      if (event != apprt::kEventAccepted) return 0;
      if (field == -2)
        apprt::START(
            [&] {
              runLoggedWindow("FORM", log, [&](int e, int) {
                if (e == apprt::kEventOpenWindow)
                  formWindow = static_cast<int>(apprt::getProp(0, apprt::kPropHandle));
                return 0;
              });
            },
            0);
      if (field == -5) {
        apprt::POST(apprt::kEventUser + 6, 5, formWindow);
        apprt::POST(apprt::kEventUser + 7);
      }
      return 0;
    });
  });
  session->menu("Start Form");
  log.take();
  session->menu("Go");
  auto seen = log.take();
  EXPECT_EQ(eventsOf(seen, "FORM"), (Events{{apprt::kEventUser + 6, 5}}));
  EXPECT_EQ(eventsOf(seen, "FRAME"),
            (Events{{apprt::kEventAccepted, -5}, {apprt::kEventUser + 7, 0}}));
}

TEST_F(EventLoopTest, AHaltInAnotherThreadUnwindsEveryThreadAndClosesItsWindows) {
  std::vector<std::string> transcript;
  std::mutex transcriptMutex;
  session = std::make_unique<Session>(
      [&] {
        runLoggedWindow("FRAME", log, [&](int event, int field) {
          if (event == apprt::kEventAccepted && field == -2)
            apprt::START(
                [&] {
                  runLoggedWindow("FORM", log, [](int e, int f) {
                    if (e == apprt::kEventAccepted && f == 12) apprt::HALT(3, "halted by the form");
                    return 0;
                  });
                  log.note("form returned");
                },
                0);
          return 0;
        });
        log.note("frame returned");
      },
      [&](const std::string& line) {
        std::lock_guard lock(transcriptMutex);
        transcript.push_back(line);
      });
  session->menu("Start Form");
  session->click("Cancel");
  ASSERT_TRUE(session->ended());
  EXPECT_EQ(session->finish(), 3);
  EXPECT_EQ(session->haltMessage(), "halted by the form");
  for (auto& s : log.all()) EXPECT_NE(s.event, 0) << "no procedure carried on: " << s.window;
  EXPECT_TRUE(session->frontEnd().windows().empty());
  std::lock_guard lock(transcriptMutex);
  EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "window closed: \"Test Form\""), 1);
  EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "window closed: \"Test Frame\""), 1);
  EXPECT_EQ(transcript.back(), "halt message \"halted by the form\"");
}

}  // namespace
}  // namespace fesk::test
