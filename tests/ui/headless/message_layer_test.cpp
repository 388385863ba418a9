// The message layer: a library subclasses windows, sees every message pass
// through, posts messages, runs timers and finds windows by class name.

#include "runtime/windows/message_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "event_log.h"
#include "runtime/frontend/window_definition.h"
#include "support/wait_until.h"
#include "test_window.h"
#include "ui/headless/session.h"

namespace fesk::test {
namespace {

using apprt::WindowProc;
using headless::Session;

struct Message {
  int handle = 0;
  uint32_t msg = 0;
  uintptr_t wParam = 0;
  int thread = 0;
};

// What the spy procedure saw; window procedures are plain functions, so their
// state is process-wide.
struct Spy {
  std::mutex mutex;
  std::vector<Message> seen;
  std::map<int, WindowProc> replaced;
  uint32_t swallow = 0;  // a message the spy keeps to itself

  std::vector<Message> messages(uint32_t msg) {
    std::lock_guard lock(mutex);
    std::vector<Message> out;
    for (auto& m : seen)
      if (m.msg == msg) out.push_back(m);
    return out;
  }
} gSpy;

intptr_t spyProc(int handle, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  WindowProc next;
  {
    std::lock_guard lock(gSpy.mutex);
    gSpy.seen.push_back({handle, msg, wParam, apprt::THREAD()});
    if (msg == gSpy.swallow) return 0;
    next = gSpy.replaced.at(handle);
  }
  return apprt::callWindowProc(next, handle, msg, wParam, lParam);
}

void subclass(int handle) {
  WindowProc previous = apprt::setWindowProc(handle, spyProc);
  std::lock_guard lock(gSpy.mutex);
  gSpy.replaced[handle] = previous;
}

class MessageLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apprt::registerWindowDefinitions(kTestWindows);
    std::lock_guard lock(gSpy.mutex);
    gSpy.seen.clear();
    gSpy.replaced.clear();
    gSpy.swallow = 0;
  }

  // Runs the note dialog; `onOpen` runs at its 515, `onDone` when "Done" is
  // pressed.
  void start(std::function<void()> onOpen, std::function<void()> onDone = {}) {
    session = std::make_unique<Session>([this, onOpen, onDone] {
      runLoggedWindow("NOTE", log, [&](int event, int field) {
        if (event == apprt::kEventOpenWindow) onOpen();
        if (event == apprt::kEventAccepted && field == 3 && onDone) onDone();
        return 0;
      });
    });
    log.take();
  }

  EventLog log;
  std::unique_ptr<Session> session;
};

TEST_F(MessageLayerTest, ASubclassSeesInputPassItOnAndTheRuntimeStillMakesEvents) {
  WindowProc replaced = nullptr;
  int entry = 0;
  start([&] {
    entry = static_cast<int>(apprt::getProp(2, apprt::kPropHandle));
    replaced = apprt::windowProc(entry);
    subclass(entry);
    EXPECT_EQ(apprt::windowProc(entry), spyProc);
  });
  EXPECT_EQ(replaced, apprt::runtimeWindowProc) << "the runtime's own procedure ends the chain";
  session->type("hello");
  session->key("Tab");
  auto keys = gSpy.messages(apprt::kMsgKeyDown);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].handle, entry);
  EXPECT_EQ(keys[0].wParam, static_cast<uintptr_t>(apprt::kKeyTab));
  EXPECT_EQ(gSpy.messages(apprt::kMsgSetText).size(), 1u);
  EXPECT_EQ(log.takeEventsOf("NOTE"), (std::vector<std::pair<int, int>>{
                                          {apprt::kEventAccepted, 2}, {apprt::kEventSelected, 3}}));
}

TEST_F(MessageLayerTest, AMessageTheSubclassKeepsMakesNoEvent) {
  start([] {
    subclass(static_cast<int>(apprt::getProp(2, apprt::kPropHandle)));
    std::lock_guard lock(gSpy.mutex);
    gSpy.swallow = apprt::kMsgKeyDown;
  });
  session->key("Tab");
  EXPECT_TRUE(log.take().empty());
  EXPECT_EQ(session->current().focus, 2);
}

TEST_F(MessageLayerTest, PostedMessagesReachTheOwnerThreadThroughTheSubclass) {
  int window = 0;
  int owner = 0;
  start([&] {
    window = static_cast<int>(apprt::getProp(0, apprt::kPropHandle));
    owner = apprt::THREAD();
    subclass(window);
  });
  EXPECT_TRUE(apprt::postMessage(window, 28417, 1, 0));
  session->waitIdle();
  auto posted = gSpy.messages(28417);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].wParam, 1u);
  EXPECT_EQ(posted[0].thread, owner) << "handled in the thread that owns the window";
  EXPECT_FALSE(apprt::postMessage(987654, 28417, 0, 0)) << "no such window";
}

TEST_F(MessageLayerTest, TimersTickWithTheirIdentifierWithoutKeepingTheProgramBusy) {
  int button = 0;
  int fromOtherThread = -1;
  start(
      [&] {
        button = static_cast<int>(apprt::getProp(3, apprt::kPropHandle));
        subclass(button);
        EXPECT_EQ(apprt::setTimer(button, 99, 1), 99);
      },
      [&] { EXPECT_TRUE(apprt::killTimer(button, 99)); });
  fromOtherThread = apprt::setTimer(button, 98, 1);
  EXPECT_EQ(fromOtherThread, 0) << "only the owner thread starts a window's timers";
  ASSERT_TRUE(waitUntil([] { return gSpy.messages(apprt::kMsgTimer).size() >= 3; }));
  session->waitIdle();  // a running timer is not work
  auto ticks = gSpy.messages(apprt::kMsgTimer);
  for (auto& t : ticks) EXPECT_EQ(t.wParam, 99u);
  session->click("Done");
  size_t afterKill = gSpy.messages(apprt::kMsgTimer).size();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  session->waitIdle();
  EXPECT_EQ(gSpy.messages(apprt::kMsgTimer).size(), afterKill);
}

std::vector<std::string> gVisited;
int collect(int handle, intptr_t stopAfter) {
  gVisited.push_back(apprt::className(handle));
  return static_cast<int>(gVisited.size()) < stopAfter;
}

TEST_F(MessageLayerTest, WindowsAndControlsAreFoundByClassName) {
  std::vector<std::string> topLevel, children, inCombo;
  size_t visitedWhenStopped = 0;
  char shortName[5];
  int copied = 0;
  start([&] {
    int window = static_cast<int>(apprt::getProp(0, apprt::kPropHandle));
    int combo = static_cast<int>(apprt::getProp(4, apprt::kPropHandle));
    gVisited.clear();
    apprt::enumTopLevelWindows(collect, 1000);
    topLevel = gVisited;
    gVisited.clear();
    apprt::enumChildWindows(window, collect, 1000);
    children = gVisited;
    gVisited.clear();
    apprt::enumChildWindows(combo, collect, 1000);
    inCombo = gVisited;
    gVisited.clear();
    apprt::enumChildWindows(window, collect, 2);
    visitedWhenStopped = gVisited.size();
    copied = apprt::className(window, shortName, sizeof shortName);
  });
  auto has = [](const std::vector<std::string>& v, const char* name) {
    return std::count(v.begin(), v.end(), name);
  };
  EXPECT_EQ(has(topLevel, "AppWindow"), 1);
  EXPECT_EQ(has(topLevel, "AppList"), 1) << "the drop-down list's open list";
  EXPECT_EQ(has(children, "AppStatic"), 1);
  EXPECT_EQ(has(children, "AppEntry"), 1);
  EXPECT_EQ(has(children, "AppButton"), 1);
  EXPECT_EQ(has(children, "AppCombo"), 1);
  EXPECT_EQ(has(children, "AppDrop"), 0) << "the drop button is the combo's child";
  EXPECT_EQ(inCombo, std::vector<std::string>{"AppDrop"});
  EXPECT_EQ(visitedWhenStopped, 2u) << "answering 0 stops the enumeration";
  EXPECT_EQ(copied, 4);
  EXPECT_STREQ(shortName, "AppW");
}

TEST_F(MessageLayerTest, ClosingAWindowSendsNcDestroyToEveryControlThenTheWindow) {
  std::vector<int> handles;
  int window = 0;
  start([&] {
    window = static_cast<int>(apprt::getProp(0, apprt::kPropHandle));
    gVisited.clear();
    apprt::enumChildWindows(
        window,
        [](int h, intptr_t) {
          subclass(h);
          apprt::enumChildWindows(
              h,
              [](int child, intptr_t) {
                subclass(child);
                return 1;
              },
              0);
          return 1;
        },
        0);
    subclass(window);
    std::lock_guard lock(gSpy.mutex);
    for (auto& [h, proc] : gSpy.replaced) handles.push_back(h);
  });
  ASSERT_EQ(handles.size(), 6u) << "window, prompt, entry, button, combo and its drop button";
  session->close();
  auto destroyed = gSpy.messages(apprt::kMsgNcDestroy);
  std::vector<int> order;
  order.reserve(destroyed.size());
  for (auto& m : destroyed) order.push_back(m.handle);
  ASSERT_EQ(order.size(), handles.size());
  EXPECT_EQ(order.back(), window) << "the window is destroyed last";
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, handles);
  for (int h : handles) EXPECT_FALSE(apprt::isWindowHandle(h));
}

}  // namespace
}  // namespace fesk::test
