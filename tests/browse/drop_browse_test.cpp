// A browse in a drop-down list, driven the way a user drives it: the drop
// button, the keys, the open list's scroll bar, a row picked, Escape, another
// key, and the focus moving away.

#include "browse/drop_hooks.h"
#include "drop_browse_window.h"

namespace fesk::browsetest {
namespace {

class DropBrowseGestureTest : public DropBrowseTest {
 protected:
  void SetUp() override {
    DropBrowseTest::SetUp();
    openDropWindow(40);
    if (session->current().focus != kDropList) session->clickField(kDropList);
    takeEvents();
  }
  void dropDown() {
    session->dropButton(kDropList);
    ASSERT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventDroppedDown, kDropList}}));
    ASSERT_TRUE(dropList().droppedDown);
  }
  std::vector<LoggedEvent> after(const std::string& keyName) {
    session->key(keyName);
    return takeEvents();
  }
  bool closedEverywhere() { return !dropList().droppedDown && droppedDown() == 0; }
};

TEST_F(DropBrowseGestureTest, TheOpenListScrollsByKeysScrollBarAndCtrlPageKeys) {
  dropDown();
  EXPECT_EQ(droppedDown(), 1);
  EXPECT_EQ(after("Down"), (std::vector<LoggedEvent>{{apprt::kEventScrollDown, kDropList}}));
  EXPECT_EQ(selectedRow(), 2);
  const int rows = static_cast<int>(dropList().rows.size());
  after("PgDn");
  EXPECT_EQ(after("PgDn"), (std::vector<LoggedEvent>{{apprt::kEventPageDown, kDropList}}));
  EXPECT_EQ(shownFirst().front(), code(rows + 1)) << "the next page";

  session->scroll(apprt::kScrollLineUp);
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{apprt::kEventScrollUp, kDropList}}));
  session->scroll(apprt::kScrollThumbTrack, 50);
  EXPECT_TRUE(takeEvents().empty()) << "dragging the thumb moves nothing yet";

  EXPECT_EQ(after("Ctrl+PgDn"), (std::vector<LoggedEvent>{{apprt::kEventScrollBottom, kDropList}}));
  EXPECT_EQ(shownFirst().back(), code(40));
  EXPECT_EQ(after("Ctrl+PgUp"), (std::vector<LoggedEvent>{{apprt::kEventScrollTop, kDropList}}));
  EXPECT_EQ(shownFirst().front(), code(1));
  EXPECT_EQ(after("PgDn"), (std::vector<LoggedEvent>{{apprt::kEventPageDown, kDropList}}))
      << "Ctrl was released after the page key";
  EXPECT_TRUE(dropList().droppedDown) << "scrolling keeps the list open";
}

TEST_F(DropBrowseGestureTest, PickingARowClosesTheListAndNotifiesOnce) {
  dropDown();
  session->row(3);
  const auto events = takeEvents();
  EXPECT_EQ(events, (std::vector<LoggedEvent>{{apprt::kEventNewSelection, kDropList},
                                              {kEventDropClosed, kDropList}}));
  EXPECT_EQ(selectedRow(), 3);
  EXPECT_TRUE(closedEverywhere());
}

TEST_F(DropBrowseGestureTest, EscapeClosesTheListNotTheWindow) {
  dropDown();
  EXPECT_EQ(after("Esc"), (std::vector<LoggedEvent>{{kEventDropEscapePressed, kDropList}}));
  EXPECT_TRUE(closedEverywhere());
  EXPECT_EQ(session->current().title, "Drop Test");
  // The next close is a normal one again.
  dropDown();
  EXPECT_EQ(after("Enter"), (std::vector<LoggedEvent>{{kEventDropClosed, kDropList}}));
}

TEST_F(DropBrowseGestureTest, AnotherKeyClosesTheListAsEscapeWithoutNotice) {
  dropDown();
  EXPECT_TRUE(after("a").empty());
  EXPECT_TRUE(closedEverywhere());
  EXPECT_EQ(session->current().title, "Drop Test");
}

TEST_F(DropBrowseGestureTest, ANavigationKeyOpensTheClosedList) {
  EXPECT_EQ(after("Down"), (std::vector<LoggedEvent>{{apprt::kEventScrollDown, kDropList},
                                                     {apprt::kEventDroppedDown, kDropList}}));
  EXPECT_TRUE(dropList().droppedDown);
  EXPECT_EQ(droppedDown(), 1);
}

TEST_F(DropBrowseGestureTest, TheDropButtonOrTheFocusLeavingClosesTheList) {
  dropDown();
  session->dropButton(kDropList);
  EXPECT_EQ(takeEvents(), (std::vector<LoggedEvent>{{kEventDropClosed, kDropList}}));
  EXPECT_TRUE(closedEverywhere());

  dropDown();
  EXPECT_EQ(after("Tab"), (std::vector<LoggedEvent>{{kEventDropClosed, kDropList}}));
  EXPECT_TRUE(closedEverywhere());
  EXPECT_EQ(session->current().focus, kDropCombo);

  session->clickField(kDropList);
  takeEvents();
  dropDown();
  session->clickField(kDropOk);
  EXPECT_EQ(count(takeEvents(), kEventDropClosed), 1);
  EXPECT_TRUE(closedEverywhere());
}

}  // namespace
}  // namespace fesk::browsetest
