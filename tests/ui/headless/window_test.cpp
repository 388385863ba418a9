// Gestures that involve more than one window: activation between threads,
// a thread's older window, menus of the frame, and the frame's closing.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "event_log.h"
#include "runtime/frontend/window_definition.h"
#include "test_window.h"
#include "ui/headless/session.h"

namespace fesk::test {
namespace {

using apprt::Input;
using headless::Session;

// The frame starts a form in a new thread for "Start Form"; the form opens
// the note dialog in its own thread for "OK".
class MultiWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { apprt::registerWindowDefinitions(kTestWindows); }

  void startFrame() {
    session = std::make_unique<Session>([this] {
      runLoggedWindow("FRAME", log, [this](int event, int field) {
        accepted.push_back(apprt::ACCEPTED());
        if (event == apprt::kEventAccepted && field == -2) apprt::START([this] { form(); }, 25000);
        return 0;
      });
      log.note("frame ended");
    });
    log.take();
  }

  void form() {
    runLoggedWindow("FORM", log, [this](int event, int field) {
      if (event == apprt::kEventAccepted && field == 11) runLoggedWindow("NOTE", log);
      return formStep ? formStep(event, field) : 0;
    });
    log.note("form ended");
  }

  void deliverTo(const std::string& title, Input input) {
    input.window = session->window(title)->handle;
    apprt::deliverInput(input);
    session->waitIdle();
  }

  EventLog log;
  std::vector<int> accepted;  // ACCEPTED() of every frame event
  Handler formStep;
  std::unique_ptr<Session> session;
};

TEST_F(MultiWindowTest, ActivationMovesBetweenWindowsOfTwoThreads) {
  startFrame();
  session->menu("Start Form");
  EXPECT_EQ(log.takeEventsOf("FRAME"),
            (Events{{apprt::kEventAccepted, -2}, {apprt::kEventLoseFocus, 0}}))
      << "the frame is left for the new form";
  session->useWindow("Test Frame");
  auto seen = log.take();
  EXPECT_NE(std::find(seen.begin(), seen.end(), Seen{"FRAME", apprt::kEventGainFocus, 0, 0}),
            seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), Seen{"FORM", apprt::kEventLoseFocus, 0, 0}),
            seen.end());
  session->useWindow("Test Form");
  EXPECT_EQ(log.takeEventsOf("FORM"), (Events{{apprt::kEventGainFocus, 0}}));
  session->useWindow("Test Form");
  EXPECT_TRUE(log.take().empty()) << "activating the active window again changes nothing";
}

TEST_F(MultiWindowTest, AThreadsOlderWindowRefusesInputWhileANewerOneIsOpen) {
  session = std::make_unique<Session>([this] { form(); });
  session->click("OK");
  ASSERT_TRUE(session->window("Note"));
  EXPECT_FALSE(session->window("Test Form")->acceptsInput);
  log.take();
  deliverTo("Test Form", Input::click(0, 12));
  deliverTo("Test Form", Input::keyDown(0, apprt::kKeyEsc));
  deliverTo("Test Form", Input::activate(0));
  session->useWindow("Note");
  session->close();
  EXPECT_EQ(log.takeEventsOf("FORM"),
            (Events{{apprt::kEventLoseFocus, 0}, {apprt::kEventGainFocus, 0}}))
      << "nothing was queued for the form but its leaving for the note and its return";
  EXPECT_TRUE(session->window("Test Form")->acceptsInput);
}

TEST_F(MultiWindowTest, ResizingAWindowGivesTheSizedEvent) {
  session = std::make_unique<Session>([this] { form(); });
  log.take();
  session->resize();
  EXPECT_EQ(log.takeEventsOf("FORM"), (Events{{apprt::kEventSized, 0}}));
}

TEST_F(MultiWindowTest, MenuItemsAcceptTheirNegativeFieldOrAreCarriedOutByTheRuntime) {
  startFrame();
  accepted.clear();
  session->menu("Go");
  EXPECT_EQ(log.takeEventsOf("FRAME"), (Events{{apprt::kEventAccepted, -5}}));
  EXPECT_EQ(accepted, std::vector<int>{-5});
  session->menu("Print Setup...");
  session->menu("Tile");
  EXPECT_TRUE(log.take().empty()) << "standard actions produce no event";
  EXPECT_EQ(session->frontEnd().standardActions(),
            (std::vector{apprt::StandardAction::PrintSetup, apprt::StandardAction::Tile}));
  session->menu("Exit");
  EXPECT_TRUE(session->ended());
  EXPECT_EQ(session->exitCode(), 0);
}

TEST_F(MultiWindowTest, AltF4ClosesTheWindow) {
  session = std::make_unique<Session>([this] { form(); });
  log.take();
  session->key("Alt+F4");
  EXPECT_EQ(log.takeEventsOf("FORM"), (Events{{apprt::kEventCloseWindow, 0}}));
  EXPECT_TRUE(session->ended());
}

TEST_F(MultiWindowTest, ClosingTheFrameClosesEveryOtherWindowFirst) {
  startFrame();
  session->menu("Start Form");
  session->menu("Start Form");
  log.take();
  session->useWindow("Test Frame");
  session->close();
  ASSERT_TRUE(session->ended());
  std::vector<std::string> order;
  int closeDowns = 0;
  for (const auto& s : log.all()) {
    if (s.event == 0) order.push_back(s.window);
    if (s.window == "FORM" && s.event == apprt::kEventCloseDown) ++closeDowns;
  }
  EXPECT_EQ(closeDowns, 2) << "514 reaches both forms";
  EXPECT_EQ(order, (std::vector<std::string>{"form ended", "form ended", "frame ended"}));
  EXPECT_TRUE(session->frontEnd().windows().empty());
}

TEST_F(MultiWindowTest, AnInnerLoopOfTheFrameEndingLeavesTheOtherWindowsAlone) {
  session = std::make_unique<Session>([this] {
    runLoggedWindow("FRAME", log, [this](int event, int field) {
      if (event != apprt::kEventAccepted) return 0;
      if (field == -2) apprt::START([this] { form(); }, 0);
      if (field == -5) {
        apprt::startEventLoop();
        while (!apprt::endEventLoop(-1)) log.note("inner frame event");
      }
      return 0;
    });
  });
  session->menu("Start Form");
  log.take();
  session->menu("Go");
  session->menu("Go");  // ends the inner loop
  auto form = log.takeEventsOf("FORM");
  EXPECT_EQ(std::count(form.begin(), form.end(), std::pair{514, 0}), 0)
      << "no 514 reached the form";
  EXPECT_TRUE(session->window("Test Form")) << "only the frame's own end closes the others";
}

TEST_F(MultiWindowTest, AThreadThatEndsWithItsWindowOpenTakesTheWindowOffTheScreen) {
  std::vector<std::string> transcript;
  std::mutex transcriptMutex;
  session = std::make_unique<Session>(
      [this] {
        runLoggedWindow("FRAME", log, [](int event, int field) {
          if (event == apprt::kEventAccepted && field == -2)
            apprt::START(
                [] {
                  apprt::loadWindow("test$WINDOWS", "FORM");
                  apprt::openWindow();
                  apprt::beep();  // a wait: the form is shown
                },
                0);
          return 0;
        });
      },
      [&](const std::string& line) {
        std::lock_guard lock(transcriptMutex);
        transcript.push_back(line);
      });
  session->menu("Start Form");
  EXPECT_FALSE(session->window("Test Form")) << "the form outlived its thread";
  {
    std::lock_guard lock(transcriptMutex);
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "window opened: \"Test Form\""), 1);
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "window closed: \"Test Form\""), 1);
  }
  session->useWindow("Test Frame");
  session->close();
  EXPECT_TRUE(session->ended());
}

TEST_F(MultiWindowTest, AFormThatRefusesToCloseIsStoppedWhenTheProgramEnds) {
  formStep = [](int event, int) { return event == apprt::kEventCloseDown ? 1 : 0; };
  std::atomic<bool> firstReturned = false;
  headless::SessionOptions options;
  options.shutdownWait = std::chrono::milliseconds(200);
  session = std::make_unique<Session>(
      [&] {
        apprt::START([this] { form(); }, 0);
        firstReturned = true;
      },
      nullptr, options);
  // The first procedure returned at once; the form consumes its 514, so the
  // program ends only once the bounded wait is over and the form is stopped.
  EXPECT_EQ(session->finish(), 0);
  EXPECT_TRUE(firstReturned);
  EXPECT_TRUE(session->frontEnd().windows().empty());
}

TEST_F(MultiWindowTest, FinishingASessionEndsAProgramWhoseWindowRefusesToClose) {
  formStep = [](int event, int) { return event == apprt::kEventCloseWindow ? 1 : 0; };
  session = std::make_unique<Session>([this] { form(); });
  EXPECT_EQ(session->finish(), 0);
  EXPECT_TRUE(session->frontEnd().windows().empty());
  EXPECT_GT(log.takeEventsOf("FORM").size(), 2u) << "it was asked to close first";
}

}  // namespace
}  // namespace fesk::test
