// The gesture rules: what each user gesture becomes, in order, as a test
// procedure sees it through the event loop.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "runtime/frontend/window_definition.h"
#include "runtime/windows/queue.h"
#include "runtime/windows/windows.h"
#include "test_window.h"
#include "ui/headless/session.h"

namespace fesk::test {
namespace {

using apprt::kButtonOk;
using apprt::kEventAccepted;
using apprt::kEventAlertKey;
using apprt::kEventCloseWindow;
using apprt::kEventCompleted;
using apprt::kEventGainFocus;
using apprt::kEventNewSelection;
using apprt::kEventOpenWindow;
using apprt::kEventPageDown;
using apprt::kEventPageUp;
using apprt::kEventRejected;
using apprt::kEventScrollBottom;
using apprt::kEventScrollDown;
using apprt::kEventScrollDrag;
using apprt::kEventScrollTop;
using apprt::kEventScrollUp;
using apprt::kEventSelected;
using apprt::kEventTabChanging;
using apprt::kKeyMouseLeft;
using apprt::kKeyMouseLeftDouble;
using headless::Session;

struct Seen {
  int event, field, key;
  std::string code;  // the bound variable at the time
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << "{" << s.event << "," << s.field << "," << s.key << ",\"" << s.code << "\"}";
}

struct Row {
  std::string code, name;
};
std::vector<std::string> queueTexts(const Row& r) {
  return {r.code, r.name};
}

// Runs the test form and records every event it sees. Hooks let a test
// change what the handler does.
class FormProcedure {
 public:
  std::mutex mutex;
  std::vector<Seen> seen;
  std::string code = "abc", name;
  apprt::Queue<Row> rows;
  std::function<int(int event, int field)> handler;  // answers the loop step

  void operator()() {
    apprt::loadWindow("test$WINDOWS", "FORM");
    apprt::bindEntry(2, apprt::bindString(code));
    apprt::bindEntry(4, apprt::bindString(name));
    apprt::bindList(5, rows);
    for (int i = 1; i <= 3; ++i) {
      rows.buffer = {"c" + std::to_string(i), "n" + std::to_string(i)};
      rows.add();
    }
    apprt::openWindow();
    apprt::startEventLoop();
    int step = 0;
    while (!apprt::endEventLoop(step)) {
      {
        std::lock_guard lock(mutex);
        seen.push_back({apprt::EVENT(), apprt::FIELD(), apprt::KEYCODE(), code});
      }
      step = handler ? handler(apprt::EVENT(), apprt::FIELD()) : 0;
    }
    apprt::closeWindow();
    apprt::freeWindow();
  }

  std::vector<Seen> take() {
    std::lock_guard lock(mutex);
    return std::exchange(seen, {});
  }
};

class GestureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apprt::registerWindowDefinitions(kTestWindows);
    session = std::make_unique<Session>([this] { form(); });
    opening = form.take();
  }
  FormProcedure form;
  std::unique_ptr<Session> session;
  std::vector<Seen> opening;
};

TEST_F(GestureTest, OpeningAWindowGivesOpenThenGainFocus) {
  ASSERT_GE(opening.size(), 2u);
  EXPECT_EQ(opening[0].event, kEventOpenWindow);
  EXPECT_EQ(opening[1].event, kEventGainFocus);
  EXPECT_EQ(session->current().focus, 2) << "the first control that takes the focus";
}

TEST_F(GestureTest, LeavingAnEntryUpdatesItsVariableBeforeItsAcceptedEvent) {
  session->type("XYZ");
  EXPECT_TRUE(form.take().empty()) << "typing alone makes no event";
  session->key("Tab");
  std::vector<Seen> expected = {{kEventAccepted, 2, apprt::kKeyTab, "XYZ"},
                                {kEventSelected, 4, apprt::kKeyTab, "XYZ"}};
  EXPECT_EQ(form.take(), expected);
  EXPECT_EQ(session->current().focus, 4);
}

TEST_F(GestureTest, AHandlerThatMovesTheFocusKeepsItThere) {
  form.handler = [](int event, int field) {
    if (event == kEventAccepted && field == 2) apprt::SELECT(11);
    return 0;
  };
  session->key("Tab");
  auto seen = form.take();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], (Seen{kEventSelected, 11, 0, "abc"}));
  EXPECT_EQ(session->current().focus, 11);
}

TEST_F(GestureTest, ButtonClickGivesSelectedThenAccepted) {
  session->click("OK");
  auto seen = form.take();
  // Leaving the entry by the click hands its value out first.
  std::vector<Seen> expected = {{kEventAccepted, 2, kKeyMouseLeft, "abc"},
                                {kEventSelected, 11, kKeyMouseLeft, "abc"},
                                {kEventAccepted, 11, kKeyMouseLeft, "abc"}};
  EXPECT_EQ(seen, expected);
}

TEST_F(GestureTest, ButtonWhoseSelectedHandlerMovesTheFocusIsNotPressed) {
  form.handler = [](int event, int field) {
    if (event == kEventSelected && field == 11) apprt::SELECT(4);
    return 0;
  };
  session->click("OK");
  for (const auto& s : form.take()) EXPECT_FALSE(s.event == kEventAccepted && s.field == 11);
}

TEST_F(GestureTest, PromptMnemonicFocusesTheControlAfterIt) {
  session->key("Alt+N");
  auto seen = form.take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().event, kEventSelected);
  EXPECT_EQ(seen.back().field, 4);
}

TEST_F(GestureTest, ListKeysBecomeScrollEventsAndOtherKeysAlertKeyEvents) {
  session->clickField(5);
  form.take();
  struct {
    const char* key;
    int event;
  } cases[] = {{"Up", kEventScrollUp},
               {"Down", kEventScrollDown},
               {"PgUp", kEventPageUp},
               {"PgDn", kEventPageDown},
               {"Ctrl+PgUp", kEventScrollTop},
               {"Ctrl+Home", kEventScrollTop},
               {"Ctrl+PgDn", kEventScrollBottom},
               {"Ctrl+End", kEventScrollBottom},
               {"b", kEventAlertKey},
               {"Enter", kEventAlertKey}};
  for (auto& c : cases) {
    session->key(c.key);
    auto seen = form.take();
    ASSERT_EQ(seen.size(), 1u) << c.key;
    EXPECT_EQ(seen[0].event, c.event) << c.key;
    EXPECT_EQ(seen[0].field, 5) << c.key;
  }
  EXPECT_EQ(session->current().control(5)->selected, 0) << "the runtime never moves the selection";
}

TEST_F(GestureTest, RowClicksAndScrollBar) {
  session->row(2);
  auto seen = form.take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), (Seen{kEventNewSelection, 5, kKeyMouseLeft, "abc"}));
  EXPECT_EQ(session->current().control(5)->selected, 2);
  session->doubleRow(3);
  EXPECT_EQ(form.take().back(), (Seen{kEventNewSelection, 5, kKeyMouseLeftDouble, "abc"}));
  session->scroll(apprt::kScrollPageDown);
  EXPECT_EQ(form.take().back().event, kEventPageDown);
  session->scroll(apprt::kScrollThumbTrack, 40);
  EXPECT_TRUE(form.take().empty()) << "tracking the thumb moves nothing";
  session->scroll(apprt::kScrollThumbPosition, 70);
  EXPECT_EQ(form.take().back().event, kEventScrollDrag);
  EXPECT_EQ(session->current().control(5)->thumb, 70);
  session->wheel(true);
  EXPECT_EQ(form.take().back().event, kEventScrollUp);
}

TEST_F(GestureTest, TabChoiceTakesTheEntryValueThenGivesTabChangingThenNewSelection) {
  std::vector<int> choices;
  form.handler = [&](int event, int field) {
    if (field == 6 && (event == kEventTabChanging || event == kEventNewSelection))
      choices.push_back(apprt::CHOICE(6));
    return 0;
  };
  session->type("typed");
  session->tab("Two");
  auto seen = form.take();
  std::vector<Seen> expected = {{kEventTabChanging, 6, 0, "typed"},
                                {kEventNewSelection, 6, 0, "typed"}};
  EXPECT_EQ(seen, expected) << "what was typed is in the variable before the tab changes";
  EXPECT_EQ(choices, (std::vector<int>{1, 2}));
  EXPECT_EQ(session->current().focus, 2) << "the focus stays where it was";
}

TEST_F(GestureTest, TheFocusLeavesAControlOnTheTabThatIsHidden) {
  session->clickField(8);  // "In One", on the first tab
  form.take();
  session->tab("Two");
  EXPECT_EQ(session->current().focus, 6);
}

TEST_F(GestureTest, SelectingAPromptFocusesTheControlAfterIt) {
  form.handler = [](int event, int field) {
    if (event == kEventAccepted && field == 12) apprt::SELECT(3);
    return 0;
  };
  session->click("Cancel");
  EXPECT_EQ(session->current().focus, 4) << "the entry after the \"&Name:\" prompt";
  EXPECT_EQ(form.take().back(), (Seen{kEventSelected, 4, 0, "abc"}));
}

TEST_F(GestureTest, TheMnemonicOfATabThatIsNotChosenChoosesIt) {
  session->key("Alt+W");
  auto seen = form.take();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].event, kEventTabChanging);
  EXPECT_EQ(seen[1].event, kEventNewSelection);
  EXPECT_EQ(session->current().control(6)->choice, 2);
}

TEST_F(GestureTest, EscClosesTheWindowUnlessTheHandlerConsumesIt) {
  form.handler = [](int event, int) { return event == kEventCloseWindow ? 1 : 0; };
  session->key("Esc");
  EXPECT_EQ(form.take().back().event, kEventCloseWindow);
  EXPECT_TRUE(session->window("Test Form").has_value()) << "consumed: the window stays open";
  form.handler = nullptr;
  session->key("Esc");
  EXPECT_FALSE(session->window("Test Form").has_value());
  EXPECT_EQ(session->finish(), 0);
}

TEST_F(GestureTest, AlertedKeysArriveAsAlertKeyEventsWhereverTheFocusIs) {
  form.handler = [](int, int) {
    apprt::alert(apprt::kKeyEsc);
    return 0;
  };
  session->key("Tab");  // let the handler run once
  session->key("Esc");
  auto seen = form.take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().event, kEventAlertKey);
  EXPECT_EQ(seen.back().key, apprt::kKeyEsc);
  EXPECT_TRUE(session->window("Test Form").has_value());
}

TEST_F(GestureTest, CompletionChecksRequiredEntriesInTabOrder) {
  form.handler = [](int event, int field) {
    if (event == kEventAccepted && field == 11) apprt::SELECT(0);
    return 0;
  };
  session->type(" ");
  session->click("OK");
  auto seen = form.take();
  EXPECT_EQ(seen.back(), (Seen{kEventSelected, 2, 0, " "}))
      << "the blank required entry takes the focus";
  for (auto& s : seen) EXPECT_NE(s.event, kEventCompleted);
  session->type("A1");
  session->click("OK");
  EXPECT_EQ(form.take().back().event, kEventCompleted);
}

TEST_F(GestureTest, InputThePictureRefusesIsNotTakenAndTheFocusStays) {
  session->type("a\x01b");  // a control character
  session->key("Tab");
  auto seen = form.take();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].event, kEventRejected);
  EXPECT_EQ(seen[0].code, "abc") << "nothing was taken";
  EXPECT_EQ(session->current().focus, 2);
}

TEST_F(GestureTest, LeavingAnEntryByAClickChecksItsPictureToo) {
  session->type("a\x01b");
  session->click("OK");
  auto seen = form.take();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (Seen{kEventRejected, 2, kKeyMouseLeft, "abc"}))
      << "nothing was taken and the button not pressed";
  EXPECT_EQ(session->current().focus, 2);
}

TEST_F(GestureTest, TypingStopsAtThePicturesLengthWithABeep) {
  const int beepsBefore = session->frontEnd().beeps();
  session->type(std::string(19, 'x') + "éz");
  EXPECT_EQ(session->current().control(2)->text, std::string(19, 'x') + "é");
  EXPECT_EQ(session->frontEnd().beeps(), beepsBefore + 1);
  session->key("Tab");
  auto seen = form.take();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], (Seen{kEventAccepted, 2, apprt::kKeyTab, std::string(19, 'x') + "é"}))
      << "what is shown is what is taken";
}

TEST_F(GestureTest, ShiftTabFromTheFirstEntryGoesToTheLastControl) {
  session->key("Shift+Tab");
  std::vector<Seen> expected = {{kEventAccepted, 2, apprt::kKeyShiftTab, "abc"},
                                {kEventSelected, 12, apprt::kKeyShiftTab, "abc"}};
  EXPECT_EQ(form.take(), expected);
}

TEST_F(GestureTest, SpaceAndEnterPressTheFocusedButton) {
  session->key("Shift+Tab");
  form.take();
  session->key("Space");
  session->key("Enter");
  std::vector<Seen> expected = {{kEventAccepted, 12, apprt::kKeySpace, "abc"},
                                {kEventAccepted, 12, apprt::kKeyEnter, "abc"}};
  EXPECT_EQ(form.take(), expected) << "no selected event: the button had the focus already";
}

TEST_F(GestureTest, ClickingAPromptFocusesTheControlAfterIt) {
  session->click("Name:");
  std::vector<Seen> expected = {{kEventAccepted, 2, kKeyMouseLeft, "abc"},
                                {kEventSelected, 4, kKeyMouseLeft, "abc"}};
  EXPECT_EQ(form.take(), expected);
  EXPECT_EQ(session->current().focus, 4);
}

TEST_F(GestureTest, HiddenAndDisabledControlsTakeNoInput) {
  form.handler = [](int event, int field) {
    if (event == kEventSelected && field == 4) {
      apprt::HIDE(12);
      apprt::DISABLE(11);
    }
    return 0;
  };
  session->key("Tab");
  form.take();
  session->clickField(12);
  session->clickField(11);
  session->row(2);  // the list still takes clicks
  auto seen = form.take();
  for (auto& s : seen) EXPECT_TRUE(s.field != 11 && s.field != 12) << s;
  EXPECT_FALSE(seen.empty());
}

TEST_F(GestureTest, EscStillClosesWhenTheFocusedControlWasDisabled) {
  form.handler = [](int event, int field) {
    if (event == kEventSelected && field == 4) apprt::DISABLE(4);
    return 0;
  };
  session->key("Tab");
  form.take();
  session->key("Esc");
  ASSERT_FALSE(form.take().empty());
  EXPECT_FALSE(session->window("Test Form").has_value());
}

TEST_F(GestureTest, ARowOrTabThatIsNotThereIsIgnored) {
  session->row(9);
  session->row(0);
  for (auto& s : form.take()) EXPECT_NE(s.event, kEventNewSelection) << s;
  EXPECT_EQ(session->current().control(5)->selected, 0);
  apprt::Input tab = apprt::Input::chooseTab(session->current().handle, 6, 3);
  apprt::deliverInput(tab);
  session->waitIdle();
  EXPECT_TRUE(form.take().empty());
  EXPECT_EQ(session->current().control(6)->choice, 1);
}

TEST_F(GestureTest, MessageBoxAnswersComeFromTheQueue) {
  std::vector<int> answers;
  form.handler = [&](int event, int field) {
    if (event == kEventAccepted && field == 12)
      answers.push_back(apprt::messageBox("Sure?", "Ask", apprt::Icon::Question, 6, 2));
    return 0;
  };
  session->answer(apprt::kButtonNo);
  session->click("Cancel");
  EXPECT_EQ(answers, std::vector<int>{apprt::kButtonNo});
  auto boxes = session->frontEnd().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.title, "Ask");
  EXPECT_TRUE(session->frontEnd().errors().empty());
  session->click("Cancel");
  EXPECT_EQ(session->frontEnd().errors().size(), 1u) << "a box with no answer queued is an error";
  (void)kButtonOk;
}

}  // namespace
}  // namespace fesk::test
