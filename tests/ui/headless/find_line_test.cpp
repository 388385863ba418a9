// The search line over a list: the keys that open it, type into it, search
// and close it, the frame's Find item, what it leaves alone (an entry, the
// window's Esc), and the script step that shows it.

#include <gtest/gtest.h>

#include <sstream>

#include "event_log.h"
#include "runtime/frontend/window_definition.h"
#include "test_window.h"
#include "ui/headless/script_runner.h"
#include "ui/headless/session.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEntry = 2;
constexpr int kList = 5;

class FindLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apprt::registerWindowDefinitions(kTestWindows);
    session = std::make_unique<Session>([this] {
      runLoggedWindow("FRAME", log, [this](int event, int field) {
        if (event == apprt::kEventAccepted && field == -2)
          apprt::START([this] { runLoggedWindow("FORM", log); }, 25000);
        return 0;
      });
    });
    session->menu("Start Form");
    session->useWindow("Test Form");
    log.take();
  }

  apprt::FindLineView line() const { return session->current().findLine; }
  // The search events the form's list heard since the last take.
  Events findEvents() {
    Events found;
    for (const auto& [event, field] : log.takeEventsOf("FORM"))
      if (event == apprt::kEventFindTyped || event == apprt::kEventFindNext)
        found.emplace_back(event, field);
    return found;
  }

  EventLog log;
  std::unique_ptr<Session> session;
};

TEST_F(FindLineTest, CtrlFInAListOpensALineThatTakesTheTypingAndTellsTheList) {
  session->clickField(kList);
  session->key("Ctrl+F");
  EXPECT_EQ(line(), (apprt::FindLineView{true, kList, "", ""}));
  session->type("ma");
  session->key("Shift+T");
  session->key("Shift+Key189");  // '_' on the US layout
  session->type("\u00e9");
  EXPECT_EQ(line().text, "maT_\u00e9") << "letters as typed, Shift giving capitals";
  EXPECT_EQ(findEvents(), Events(5, {apprt::kEventFindTyped, kList})) << "one for every change";
  session->key("Backspace");
  EXPECT_EQ(line().text, "maT_") << "a whole character goes";
  session->key("Enter");
  session->key("F3");
  EXPECT_EQ(findEvents(), (Events{{apprt::kEventFindTyped, kList},
                                  {apprt::kEventFindNext, kList},
                                  {apprt::kEventFindNext, kList}}));
  EXPECT_EQ(session->current().focus, kList) << "the list keeps the focus throughout";
}

TEST_F(FindLineTest, EscClosesTheLineNotTheWindowAndOtherKeysStillReachTheList) {
  session->clickField(kList);
  session->key("Ctrl+F");
  session->type("c");
  session->key("Down");
  EXPECT_EQ(log.takeEventsOf("FORM").back(), std::pair(apprt::kEventScrollDown, kList));
  session->key("Esc");
  EXPECT_FALSE(line().open);
  EXPECT_TRUE(session->window("Test Form")) << "Esc closed the line, not the window";
  EXPECT_EQ(session->current().focus, kList);
  session->key("F3");
  EXPECT_EQ(line(), (apprt::FindLineView{true, kList, "c", ""})) << "F3 searches for the last text";
  EXPECT_EQ(findEvents().back(), std::pair(apprt::kEventFindNext, kList));
  session->key("Esc");
  log.take();
  session->type("c");
  EXPECT_EQ(log.takeEventsOf("FORM"), (Events{{apprt::kEventAlertKey, kList}}))
      << "with the line closed a letter is the list's own again";
  session->key("Esc");
  EXPECT_FALSE(session->window("Test Form")) << "with the line closed Esc closes the window";
}

TEST_F(FindLineTest, TheLineGoesWithTheFocusAndAnEntryKeepsItsTypingAndOpensNone) {
  session->clickField(kList);
  session->key("Ctrl+F");
  session->type("c");
  session->clickField(kCodeEntry);
  EXPECT_FALSE(line().open) << "the line is the list's alone";
  session->type("A12");
  session->key("Ctrl+F");
  session->menu("Find...");
  EXPECT_FALSE(line().open);
  EXPECT_EQ(session->current().focus, kCodeEntry);
  EXPECT_EQ(session->current().control(kCodeEntry)->text, "A12");
  EXPECT_EQ(findEvents(), (Events{{apprt::kEventFindTyped, kList}}));
}

TEST_F(FindLineTest, TheFramesFindItemOpensTheLineOverTheListInFront) {
  session->clickField(kList);
  session->menu("Find...");
  EXPECT_EQ(line(), (apprt::FindLineView{true, kList, "", ""}));
  session->type("x");
  EXPECT_EQ(findEvents(), (Events{{apprt::kEventFindTyped, kList}}));
}

TEST(FindLineScriptTest, AScriptOpensTheLineAndShowsIt) {
  apprt::registerWindowDefinitions(kTestWindows);
  std::istringstream script(
      "menu \"Start Form\"\nwindow \"Test Form\"\nclick-field 5\nkey Ctrl+F\ntype \"c2\"\n"
      "show\nkey Esc\nshow\nclose\n");
  std::ostringstream transcript;
  const int status = headless::runScript(
      script,
      [] {
        static EventLog log;
        runLoggedWindow("FRAME", log, [](int event, int field) {
          if (event == apprt::kEventAccepted && field == -2)
            apprt::START([] { runLoggedWindow("FORM", log); }, 25000);
          return 0;
        });
      },
      transcript);
  EXPECT_EQ(status, 0) << transcript.str();
  const std::string text = transcript.str();
  const auto found = text.find("  find 5 \"c2\"\n");
  ASSERT_NE(found, std::string::npos) << text;
  EXPECT_EQ(text.find("  find 5", found + 1), std::string::npos) << "Esc closed it: " << text;
}

}  // namespace
}  // namespace fesk::test
