// Requests as the user makes them: insert (through a form, or in a blank row
// of the list), batch add, change and delete of the selected record after a
// re-check that it still exists, and picking a row in a selecting browse.

#include "browse_harness.h"
#include "runtime/files/errors.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

using apprt::kButtonOk;

class RequestsTest : public BrowseTest {
 protected:
  void insertMode(uint8_t mode) {
    browse.afterRegistration = [mode] { KX_BrowseProp(kList, kBrowseInsertMode, mode, false); };
  }
  std::vector<std::string> positions() {
    std::vector<std::string> all;
    inProcedure([&] {
      for (size_t row = 1; row <= browse.rows.records(); ++row) {
        browse.rows.get(row);
        all.push_back(browse.rows.buffer.POSITION);
      }
    });
    return all;
  }
  BrowseProcedure browse{BRCODES, CODE_KEY};
};

std::vector<int> actionsOf(const std::vector<HandOver>& handOvers) {
  std::vector<int> actions;
  actions.reserve(handOvers.size());
  for (const auto& h : handOvers) actions.push_back(h.action);
  return actions;
}

TEST_F(RequestsTest, TheInsertKeyHandsAnInsertOver) {
  addCodes(40);
  open(browse);
  session->row(4);
  session->key("Ins");
  EXPECT_EQ(actionsOf(browse.takeHandOvers()), std::vector<int>{kActionInsert});
  EXPECT_EQ(shownFirst(), codes(1, 15)) << "form mode leaves the page";
}

TEST_F(RequestsTest, InsertModeThreeOnAFullPageWithTheLastRowSelected) {
  addCodes(40);
  insertMode(3);
  open(browse);
  session->key("PgDn");
  const std::string lastRowPosition = positions().back();
  session->key("Ins");
  std::vector<std::string> expected = codes(2, 15);
  expected.push_back("");
  EXPECT_EQ(shownFirst(), expected) << "row 1 leaves, the blank row takes the last place";
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(positions().back(), lastRowPosition) << "the blank row carries the last row's position";
  EXPECT_EQ(actionsOf(browse.takeHandOvers()), std::vector<int>{kActionInsert});
}

TEST_F(RequestsTest, InsertModeThreeOnAShortPageInsertsAboveTheSelectedRow) {
  addCodes(5);
  insertMode(3);
  open(browse);
  session->row(3);
  session->key("Ins");
  EXPECT_EQ(shownFirst(), (std::vector<std::string>{"C001", "C002", "", "C003", "C004", "C005"}));
  EXPECT_EQ(selectedRow(), 3);
}

TEST_F(RequestsTest, InsertModeOneLoadsTheFirstPageWithARowFree) {
  addCodes(40);
  insertMode(1);
  open(browse);
  session->key("Ctrl+PgDn");
  session->key("Ins");
  std::vector<std::string> expected = {""};
  for (auto& c : codes(1, 14)) expected.push_back(c);
  EXPECT_EQ(shownFirst(), expected);
  EXPECT_EQ(selectedRow(), 1);
}

TEST_F(RequestsTest, InsertModeTwoLoadsTheLastPageWithARowFree) {
  addCodes(40);
  insertMode(2);
  open(browse);
  session->key("Ins");
  std::vector<std::string> expected = codes(27, 40);
  expected.push_back("");
  EXPECT_EQ(shownFirst(), expected);
  EXPECT_EQ(selectedRow(), 15);
}

TEST_F(RequestsTest, InsertOnAnEmptyListFirstReportsTheEmptyList) {
  insertMode(1);
  open(browse);
  browse.takeHandOvers();
  session->key("Ins");
  EXPECT_EQ(actionsOf(browse.takeHandOvers()),
            (std::vector<int>{kActionEmptyRequest, kActionInsert}));
  EXPECT_EQ(shownFirst(), std::vector<std::string>{""});
}

TEST_F(RequestsTest, NoInsertsIgnoresTheInsertKey) {
  addCodes(5);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseNoInserts, 1, false); };
  open(browse);
  session->key("Ins");
  EXPECT_TRUE(browse.takeHandOvers().empty());
}

TEST_F(RequestsTest, EnterHandsOverAChangeWithTheSelectedRecordRead) {
  addCodes(40);
  open(browse);
  session->row(7);
  session->key("Enter");
  EXPECT_EQ(browse.takeHandOvers(), (std::vector<HandOver>{{kActionChange, "C007"}}));
}

TEST_F(RequestsTest, AChangeOfARecordAnotherUserDeletedIsRefused) {
  addCodes(40);
  open(browse);
  session->row(7);
  otherUser("C007", [] { BRCODES.remove(); });
  session->answer(kButtonOk);
  session->key("Enter");
  EXPECT_TRUE(browse.takeHandOvers().empty());
  auto boxes = session->frontEnd().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.text, "The selected record is no longer available!");
  EXPECT_EQ(boxes[0].request.title, "Error Changing Record");
  EXPECT_EQ(beeps(), 1);
  EXPECT_EQ(shownFirst(), codes(1, 15)) << "the page is not reloaded";
}

TEST_F(RequestsTest, AChangeOfARecordAnotherUserReKeyedIsRefused) {
  addCodes(40);
  open(browse);
  session->row(7);
  otherUser("C007", [] {
    BRCODES.buffer().CODE = "X007";
    BRCODES.put();
  });
  session->answer(kButtonOk);
  session->key("Enter");
  EXPECT_TRUE(browse.takeHandOvers().empty()) << "C008 took its place: not handed over";
  ASSERT_EQ(session->frontEnd().messageBoxes().size(), 1u);
}

TEST_F(RequestsTest, ADeleteOfARecordAnotherUserReKeyedIsRefused) {
  addCodes(40);
  open(browse);
  session->row(7);
  otherUser("C007", [] {
    BRCODES.buffer().CODE = "C0075";
    BRCODES.put();
  });
  session->answer(kButtonOk);
  session->key("Del");
  EXPECT_TRUE(browse.takeHandOvers().empty());
  auto boxes = session->frontEnd().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.title, "Error Deleting Record");
}

TEST_F(RequestsTest, AChangeOfARecordAnotherUserChangedHandsOverTheirVersion) {
  addCodes(40);
  open(browse);
  session->row(7);
  otherUser("C007", [] {
    BRCODES.buffer().NAME = "Theirs";
    BRCODES.put();
  });
  std::string name;
  browse.handOver = [&](int action) {
    if (action == kActionChange) name = BRCODES.buffer().NAME.text();
  };
  session->key("Enter");
  EXPECT_EQ(browse.takeHandOvers(), (std::vector<HandOver>{{kActionChange, "C007"}}));
  EXPECT_EQ(name, "Theirs");
}

TEST_F(RequestsTest, NoDeletesIgnoresTheDeleteKeyAndKeepsTheEmptyListNotice) {
  addCodes(1);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseNoDeletes, 1, false); };
  open(browse);
  int noticeState = -1;
  session->key("Del");
  inProcedure([&] {
    KX_BrowseProp(kList, kBrowseAction, 0, true);
    noticeState = BrowseRegistry.buffer.CALLNORECORDS;
  });
  EXPECT_TRUE(browse.takeHandOvers().empty());
  EXPECT_EQ(noticeState, 3) << "still as after the first load";
  EXPECT_TRUE(session->frontEnd().messageBoxes().empty());
  EXPECT_EQ(beeps(), 0);
}

TEST_F(RequestsTest, DeletingTheLastRecordReportsTheEmptyListOnce) {
  addCode("C001");
  browse.handOver = [](int action) {
    if (action != kActionDelete) return;
    BRCODES.remove();
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToItem, 1, false);
  };
  open(browse);
  session->key("Del");
  EXPECT_EQ(browse.takeHandOvers(),
            (std::vector<HandOver>{{kActionDelete, "C001"}, {kActionListEmpty, ""}}));
  EXPECT_TRUE(shownFirst().empty());
  session->key("Down");
  EXPECT_TRUE(browse.takeHandOvers().empty());
}

TEST_F(RequestsTest, ADeleteOnAnEmptyListOnlyBeeps) {
  open(browse);
  browse.takeHandOvers();
  session->key("Del");
  EXPECT_EQ(browse.takeHandOvers(), (std::vector<HandOver>{{kActionListEmpty, ""}}))
      << "the delete request renews the empty-list notice, and nothing is handed over";
  EXPECT_EQ(beeps(), 1);
}

TEST_F(RequestsTest, DoubleClickChangesOrSelects) {
  addCodes(10);
  open(browse);
  session->doubleRow(3);
  EXPECT_EQ(browse.takeHandOvers(), (std::vector<HandOver>{{kActionChange, "C003"}}));
  inProcedure([] {
    KX_BrowseProp(kList, kBrowseSelectRecord, 1, false);
    KX_BrowseProp(kList, kBrowseNoChanges, 1, false);
  });
  session->doubleRow(5);
  auto handOvers = browse.takeHandOvers();
  ASSERT_FALSE(handOvers.empty());
  EXPECT_EQ(handOvers[0].action, kActionSelected);
}

TEST_F(RequestsTest, ABatchAddAppendsRowsUntilTheProcedureEndsIt) {
  addCodes(3);
  int added = 0;
  browse.handOver = [&](int action) {
    if (action != kActionBatchRow) return;
    if (added == 2) {
      KX_BrowseProp(kList, kBrowseEndBatch, 1, false);
      return;
    }
    ++added;
    BRCODES.clear();
    BRCODES.buffer().CODE = "NEW" + std::to_string(added);  // as edited in the blank row
  };
  open(browse);
  inProcedure([] { apprt::POST(kEventBatchAdd, kList); });
  EXPECT_EQ(shownFirst(), (std::vector<std::string>{"C001", "C002", "C003", "NEW1", "NEW2", ""}));
  EXPECT_EQ(selectedRow(), 6);
}

}  // namespace
}  // namespace fesk::browsetest
