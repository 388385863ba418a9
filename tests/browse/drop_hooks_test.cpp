// The drop-down hooks, fed their messages directly: the open list's scroll-bar
// actions, the keys of the combo, Ctrl, a second hook-up, and every table
// entry leaving with its window.

#include "browse/drop_hooks.h"

#include <cstring>

#include "browse/window_hooks.h"
#include "drop_browse_window.h"
#include "runtime/threads/program.h"
#include "runtime/windows/message_layer.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

using apprt::sendMessage;

int comboHandle() {
  return static_cast<int>(apprt::getProp(kDropList, apprt::kPropHandle));
}

int childOfClass(int parent, const char* name) {
  struct Search {
    const char* name;
    int found;
  } search{name, 0};
  apprt::enumChildWindows(
      parent,
      [](int handle, intptr_t lParam) {
        // The message layer hands the caller's pointer back as the lParam.
        auto* s = reinterpret_cast<Search*>(lParam);  // NOLINT(performance-no-int-to-ptr)
        if (apprt::className(handle) != s->name) return 1;
        s->found = handle;
        return 0;
      },
      reinterpret_cast<intptr_t>(&search));
  return search.found;
}

int dropButton() {
  return childOfClass(comboHandle(), "AppDrop");
}

// An open list's window: every "AppList" window is hooked, and the scroll
// action it reports is the library's one pending action.
int openListWindow() {
  ListHooks.get(1);
  return ListHooks.buffer.HWND;
}

uintptr_t scrollCode(int code, int thumb = 0) {
  return static_cast<uintptr_t>(code) | (static_cast<uintptr_t>(thumb) << 16);
}

class DropHooksTest : public DropBrowseTest {
 protected:
  void openAndDropDown() {
    openDropWindow(40);
    inDropProcedure([] { sendMessage(dropButton(), apprt::kMsgGetDlgCode, 0, 0); });
    ASSERT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventDroppedDown, kDropList}}));
  }
  void send(uint32_t msg, uintptr_t wParam) {
    inDropProcedure([msg, wParam] { sendMessage(comboHandle(), msg, wParam, 0); });
  }
  void scrollList(uintptr_t wParam) {
    inDropProcedure([wParam] {
      sendMessage(openListWindow(), apprt::kMsgVScroll, wParam, 0);
      sendMessage(comboHandle(), apprt::kMsgDropListScrolled, 0, 0);
    });
  }
};

TEST_F(DropHooksTest, AScrollActionBecomesOneEventAtTheListScrolledNotice) {
  openAndDropDown();
  scrollList(scrollCode(apprt::kScrollPageDown));
  send(apprt::kMsgDropListScrolled, 0);
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventPageDown, kDropList}}));
  EXPECT_EQ(shownFirst().front(), code(1));
  EXPECT_EQ(selectedRow(), static_cast<int>(dropList().rows.size()))
      << "the engine paged down once: to the last row of the page";

  // Codes past thumb tracking leave the pending action alone.
  inDropProcedure([] {
    sendMessage(openListWindow(), apprt::kMsgVScroll, scrollCode(apprt::kScrollLineUp), 0);
    sendMessage(openListWindow(), apprt::kMsgVScroll, scrollCode(8), 0);
    sendMessage(comboHandle(), apprt::kMsgDropListScrolled, 0, 0);
  });
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventScrollUp, kDropList}}));
}

TEST_F(DropHooksTest, TheThumbPostsWhenReleasedAndNothingWhileTracked) {
  openAndDropDown();
  scrollList(scrollCode(apprt::kScrollThumbTrack, 60));
  EXPECT_TRUE(takeEvents().empty());
  scrollList(scrollCode(apprt::kScrollThumbPosition, 100));
  const auto events = takeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), (LoggedEvent{apprt::kEventScrollDrag, kDropList}));
  EXPECT_EQ(count(events, apprt::kEventScrollDrag), 1);
  EXPECT_EQ(shownFirst().back(), code(40)) << "the thumb at the end shows the last page";
}

TEST_F(DropHooksTest, EscapeNotifiesAtOnceAndTheCloseThatFollowsPostsNoClosedEvent) {
  openAndDropDown();
  send(apprt::kMsgKeyDown, apprt::kKeyEsc);
  const auto events = takeEvents();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), (LoggedEvent{kEventDropEscapePressed, kDropList}));
  EXPECT_EQ(count(events, kEventDropClosed), 0);
  EXPECT_EQ(droppedDown(), 0) << "the list's own close (Escape) reached the hook";
}

TEST_F(DropHooksTest, AnotherKeyClosesTheListWithoutTheClosedEvent) {
  openAndDropDown();
  send(apprt::kMsgKeyDown, 'A');
  EXPECT_EQ(droppedDown(), 0);
  const auto events = takeEvents();
  EXPECT_EQ(count(events, kEventDropClosed), 0);
  EXPECT_EQ(count(events, kEventDropEscapePressed), 0)
      << "the key went on as Escape, not through the hook";
  EXPECT_FALSE(dropList().droppedDown) << "the runtime took Escape and closed its list";

  // While the list is closed another key passes unchanged: no close-up at all.
  send(apprt::kMsgKeyDown, 'B');
  EXPECT_EQ(count(takeEvents(), kEventDropClosed), 0);
}

TEST_F(DropHooksTest, EnterClosesTheListAndNotifiesOnce) {
  openAndDropDown();
  send(apprt::kMsgKeyDown, apprt::kKeyEnter);
  EXPECT_EQ(count(takeEvents(), kEventDropClosed), 1);
  EXPECT_EQ(droppedDown(), 0);
}

TEST_F(DropHooksTest, AnEscapeWhileClosedDoesNotSwallowTheNextClose) {
  refuseClose = true;
  openDropWindow(10);
  // Escape in the closed list is reported and asks the window to close, which
  // the procedure refuses; the list opened and closed afterwards notifies.
  send(apprt::kMsgKeyDown, apprt::kKeyEsc);
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{kEventDropEscapePressed, kDropList},
                                                    {apprt::kEventCloseWindow, 0}}));
  inDropProcedure([] { sendMessage(dropButton(), apprt::kMsgGetDlgCode, 0, 0); });
  inDropProcedure([] { sendMessage(dropButton(), apprt::kMsgGetDlgCode, 0, 0); });
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventDroppedDown, kDropList},
                                                    {kEventDropClosed, kDropList}}));
}

TEST_F(DropHooksTest, CtrlTurnsPageKeysIntoFirstAndLastPageUntilReleasedOrTheListOpens) {
  openAndDropDown();
  send(apprt::kMsgKeyDown, apprt::kKeyCtrl);
  send(apprt::kMsgKeyDown, apprt::kKeyPgDn);
  send(apprt::kMsgKeyDown, apprt::kKeyPgUp);
  send(apprt::kMsgKeyUp, apprt::kKeyCtrl);
  send(apprt::kMsgKeyDown, apprt::kKeyPgUp);
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventScrollBottom, kDropList},
                                                    {apprt::kEventScrollTop, kDropList},
                                                    {apprt::kEventPageUp, kDropList}}));
  send(apprt::kMsgKeyDown, apprt::kKeyCtrl);
  inDropProcedure([] {
    sendMessage(dropButton(), apprt::kMsgGetDlgCode, 0, 0);  // closes
    sendMessage(dropButton(), apprt::kMsgGetDlgCode, 0, 0);  // opens again
  });
  takeEvents();
  send(apprt::kMsgKeyDown, apprt::kKeyPgDn);
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventPageDown, kDropList}}));
}

TEST_F(DropHooksTest, HookingAHookedComboAgainInstallsNothing) {
  openDropWindow(20);
  size_t combos = 0, drops = 0, lists = 0;
  bool chainIntact = false;
  inDropProcedure([&] {
    const size_t before[] = {ComboHooks.records(), DropHooks.records(), ListHooks.records()};
    EXPECT_FALSE(KX_InitBrowse(kDropList, 1, 0, true));
    KX_HookDropCombo(kDropList);
    combos = ComboHooks.records() - before[0];
    drops = DropHooks.records() - before[1];
    lists = ListHooks.records() - before[2];
    ComboHooks.buffer.HWND = comboHandle();
    chainIntact = apprt::windowProc(comboHandle()) == KX_ComboProc &&
                  ComboHooks.getByKey(&ComboHook::HWND) &&
                  ComboHooks.buffer.RETURNADDR == apprt::runtimeWindowProc &&
                  apprt::windowProc(dropButton()) == KX_DropProc;
  });
  EXPECT_EQ(combos + drops + lists, 0u);
  EXPECT_TRUE(chainIntact);
  send(apprt::kMsgKeyDown, apprt::kKeyUp);
  EXPECT_EQ(count(takeEvents(), apprt::kEventScrollUp), 1);
}

TEST_F(DropHooksTest, AHookCalledForAWindowItDoesNotKnowPassesNothingOn) {
  openDropWindow(5);
  intptr_t answers[3] = {-1, -1, -1};
  inDropProcedure([&answers] {
    answers[0] = KX_ComboProc(dropButton(), apprt::kMsgKeyDown, apprt::kKeyUp, 0);
    answers[1] = KX_DropProc(comboHandle(), apprt::kMsgGetDlgCode, 0, 0);
    answers[2] = KX_ListProc(comboHandle(), apprt::kMsgVScroll, 0, 0);
  });
  EXPECT_EQ(answers[0], 0);
  EXPECT_EQ(answers[1], 0);
  EXPECT_EQ(answers[2], 0);
  EXPECT_TRUE(takeEvents().empty());
  EXPECT_EQ(beeps(), 1) << "the combo hook beeps for a stranger";
  EXPECT_EQ(droppedDown(), 0);
}

// Two windows of drop-down browses: the one destroyed takes its entries, its
// window hook and its drop hooks along; the other keeps its own, in order.
TEST(DropHooksLifetimeTest, DestroyingAWindowTakesOnlyItsOwnEntries) {
  apprt::registerWindowDefinitions(R"(
module "droplife$WINDOWS"
window "TWO" mdi "Two Drops" size 200 120
  droplist 1 at 4 4 150 62 format "80L(2)|M~code~L(2)@S20@"
  dropcombo 2 at 4 70 150 40 format "80L(2)|M~code~L(2)@S20@"
)");
  static apprt::Queue<Row> rows[4];
  struct Counts {
    size_t registry, windows, combos, drops, lists;
    bool operator==(const Counts&) const = default;
  };
  auto counts = [] {
    return Counts{BrowseRegistry.records(), WindowHooks.records(), ComboHooks.records(),
                  DropHooks.records(), ListHooks.records()};
  };
  Counts afterSecond{}, afterFirst{};
  bool ordered = false, switchesKept = false;
  int32_t firstWindow = 0;
  headless::Session session([&] {
    for (int window = 0; window < 2; ++window) {
      apprt::loadWindow("droplife$WINDOWS", "TWO");
      const size_t pair = 2 * static_cast<size_t>(window);
      apprt::bindList(1, rows[pair]);
      apprt::bindList(2, rows[pair + 1]);
      apprt::openWindow();
      KX_InitBrowse(2, 1, 0, true);
      KX_InitBrowse(1, 1, 0, true);
      if (window == 0) {
        firstWindow = static_cast<int32_t>(apprt::getProp(0, apprt::kPropHandle));
        KX_BrowseProp(1, kBrowseNoDeletes, 1, false);
      }
    }
    apprt::sendMessage(static_cast<int>(apprt::getProp(1, apprt::kPropHandle)), apprt::kMsgKeyDown,
                       apprt::kKeyCtrl, 0);
    apprt::closeWindow();
    apprt::freeWindow();
    afterSecond = counts();
    ordered = true;
    for (size_t n = 1; n <= BrowseRegistry.records(); ++n) {
      BrowseRegistry.get(n);
      const int32_t handle = BrowseRegistry.buffer.BRWHNDL;
      ordered = ordered && BrowseRegistry.buffer.WINHNDL == firstWindow;
      if (n > 1) {
        BrowseRegistry.get(n - 1);
        ordered = ordered && BrowseRegistry.buffer.BRWHNDL < handle;
      }
    }
    switchesKept = KX_BrowseProp(1, kBrowseNoDeletes, 0, true) == 1;
    apprt::closeWindow();
    apprt::freeWindow();
    afterFirst = counts();
  });
  session.finish();
  EXPECT_EQ(afterSecond, (Counts{2, 1, 2, 2, 2}));
  EXPECT_TRUE(ordered) << "the first window's browses, by list handle";
  EXPECT_TRUE(switchesKept);
  EXPECT_EQ(afterFirst, (Counts{0, 0, 0, 0, 0}));
}

TEST_F(DropHooksTest, ClosingDropWindowsAgainAndAgainLeavesEveryTableEmpty) {
  addCodes(12);
  headless::Session many([this] {
    BRCODES.open(apprt::kOpenSharedReadWrite);
    for (int round = 0; round < 25; ++round) {
      apprt::loadWindow("droptest$WINDOWS", "DROP");
      apprt::bindList(kDropList, browse.rows);
      apprt::openWindow();
      KX_InitBrowse(kDropList, 1, 0, true);
      KX_InitBrowse(kDropCombo, 1, 0, true);
      // Leave one list open, its timer running, as the window goes.
      if (round % 2) sendMessage(dropButton(), apprt::kMsgGetDlgCode, 0, 0);
      apprt::closeWindow();
      apprt::freeWindow();
    }
    BRCODES.close();
  });
  many.finish();
  EXPECT_EQ(BrowseRegistry.records(), 0u);
  EXPECT_EQ(WindowHooks.records(), 0u);
  EXPECT_EQ(ComboHooks.records(), 0u);
  EXPECT_EQ(DropHooks.records(), 0u);
  EXPECT_EQ(ListHooks.records(), 0u);
}

}  // namespace
}  // namespace fesk::browsetest
