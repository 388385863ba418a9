// Scrolling as the user does it, at both ends of the file: a row, a page, the
// first and the last page, and the thumb. At an end the page stays, the thumb
// goes to that end and the engine beeps.

#include "browse_harness.h"

namespace fesk::browsetest {
namespace {

class ScrollingTest : public BrowseTest {
 protected:
  void openWith(int records) {
    addCodes(records);
    open(browse);
  }
  // Selects the last row of the page by pressing Down until it is reached,
  // at most once a row: a selection that stops moving fails the test.
  void downToLastRow() {
    const int last = static_cast<int>(shownFirst().size());
    for (int pressed = 0; pressed < last && selectedRow() < last; ++pressed) session->key("Down");
    ASSERT_EQ(selectedRow(), last) << "Down stopped moving the selection";
  }
  BrowseProcedure browse{BRCODES, CODE_KEY};
};

TEST_F(ScrollingTest, DownInsideThePageOnlyMovesTheSelection) {
  openWith(40);
  session->key("Down");
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(selectedRow(), 2);
  EXPECT_EQ(browse.takeFills(), 15) << "no record was read for it";
}

TEST_F(ScrollingTest, DownOnTheLastRowBringsInTheNextRecord) {
  openWith(40);
  downToLastRow();
  browse.takeFills();
  session->key("Down");
  EXPECT_EQ(shownFirst(), codes(2, 16));
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(thumb(), 50);
  EXPECT_EQ(browse.takeFills(), 1) << "one read and one row moved";
  session->key("Down");
  EXPECT_EQ(shownFirst(), codes(3, 17));
}

TEST_F(ScrollingTest, DownOnTheLastRecordBeepsAndKeepsThePage) {
  openWith(40);
  session->key("Ctrl+PgDn");
  const int before = beeps();
  session->key("Down");
  EXPECT_EQ(shownFirst(), codes(26, 40));
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(thumb(), 100);
  EXPECT_EQ(beeps(), before + 1);
}

TEST_F(ScrollingTest, UpOnTheFirstRecordBeepsAndKeepsThePage) {
  openWith(40);
  session->key("Up");
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(thumb(), 0);
  EXPECT_EQ(beeps(), 1);
}

TEST_F(ScrollingTest, UpOnTheFirstRowBringsInTheRecordAbove) {
  openWith(40);
  session->key("Ctrl+PgDn");
  session->key("PgUp");  // selection to row 1 only
  EXPECT_EQ(shownFirst(), codes(26, 40));
  browse.takeFills();
  session->key("Up");
  EXPECT_EQ(shownFirst(), codes(25, 39));
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(thumb(), 50);
  EXPECT_EQ(browse.takeFills(), 1);
  session->key("Up");
  EXPECT_EQ(shownFirst(), codes(24, 38));
}

TEST_F(ScrollingTest, ChangingDirectionRereadsTheEdgeRow) {
  openWith(40);
  downToLastRow();
  session->key("Down");  // C002..C016
  session->key("PgUp");  // selection to row 1
  session->key("Up");
  EXPECT_EQ(shownFirst(), codes(1, 15));
  downToLastRow();
  session->key("Down");
  EXPECT_EQ(shownFirst(), codes(2, 16));
}

TEST_F(ScrollingTest, ScrollingDownPassesOverSkippedRecords) {
  openWith(40);
  browse.skip = [] { return BRCODES.buffer().CODE.text() == "C016"; };
  downToLastRow();
  session->key("Down");
  std::vector<std::string> expected = codes(2, 15);
  expected.push_back("C017");
  EXPECT_EQ(shownFirst(), expected);
}

TEST_F(ScrollingTest, ScrollingUpPassesOverSkippedRecords) {
  openWith(40);
  session->key("Ctrl+PgDn");
  session->key("PgUp");
  browse.skip = [] { return BRCODES.buffer().CODE.text() == "C025"; };
  session->key("Up");
  std::vector<std::string> expected = {"C024"};
  for (auto& c : codes(26, 39)) expected.push_back(c);
  EXPECT_EQ(shownFirst(), expected);
}

TEST_F(ScrollingTest, PageDownFirstMovesTheSelectionToTheLastRow) {
  openWith(40);
  session->key("PgDn");
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(beeps(), 0);
}

TEST_F(ScrollingTest, PageDownFromTheLastRowShowsTheNextPage) {
  openWith(40);
  session->key("PgDn");
  session->key("PgDn");
  EXPECT_EQ(shownFirst(), codes(16, 30));
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(thumb(), 50);
}

TEST_F(ScrollingTest, PageDownOnAPageEndingThreeRecordsBeforeTheEndShowsTheLastPage) {
  openWith(33);
  session->key("PgDn");
  session->key("PgDn");
  ASSERT_EQ(shownFirst(), codes(16, 30)) << "the page ends three records before the end";
  session->key("PgDn");
  EXPECT_EQ(shownFirst(), codes(19, 33)) << "the last 15 records";
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(beeps(), 0);
}

TEST_F(ScrollingTest, PageDownWithLookAheadShowsThePageAfterTheOldLastRow) {
  addCodes(40);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseExtVScroll, 1, false); };
  open(browse);
  session->key("PgDn");
  session->key("PgDn");
  EXPECT_EQ(shownFirst(), codes(16, 30)) << "no row of the old page repeats";
  EXPECT_EQ(selectedRow(), 15);
}

TEST_F(ScrollingTest, PageDownOnTheLastPageBeepsAndKeepsThePage) {
  openWith(40);
  session->key("Ctrl+PgDn");
  const int before = beeps();
  session->key("PgDn");
  EXPECT_EQ(shownFirst(), codes(26, 40));
  EXPECT_EQ(thumb(), 100);
  EXPECT_EQ(beeps(), before + 1);
}

TEST_F(ScrollingTest, PageUpOnTheFirstPageBeepsOnlyWhenRowOneIsSelected) {
  openWith(40);
  session->key("Down");
  session->key("Down");
  session->key("PgUp");
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(beeps(), 0) << "the press that moves the selection does not beep";
  session->key("PgUp");
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(thumb(), 0);
  EXPECT_EQ(beeps(), 1);
}

TEST_F(ScrollingTest, PageUpShowsThePageAboveWithRowOneSelected) {
  openWith(40);
  session->key("Ctrl+PgDn");
  session->key("PgUp");
  session->key("PgUp");
  EXPECT_EQ(shownFirst(), codes(11, 25));
  EXPECT_EQ(selectedRow(), 1);
  session->key("PgUp");
  EXPECT_EQ(shownFirst(), codes(1, 15)) << "a short page above fills up from below";
  EXPECT_EQ(selectedRow(), 1);
}

TEST_F(ScrollingTest, FirstAndLastPage) {
  openWith(40);
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownFirst(), codes(26, 40));
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(thumb(), 100);
  session->key("Ctrl+PgUp");
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(thumb(), 0);
}

TEST_F(ScrollingTest, TheThumbJumpsToTheEndItIsNearer) {
  openWith(40);
  session->scroll(apprt::kScrollThumbPosition, 80);
  EXPECT_EQ(shownFirst(), codes(26, 40));
  session->scroll(apprt::kScrollThumbPosition, 50);
  EXPECT_EQ(shownFirst(), codes(1, 15));
}

TEST_F(ScrollingTest, WithThumbOptionAMiddleThumbIsLeftToTheProcedure) {
  openWith(40);
  inProcedure([] { KX_BrowseProp(kList, kBrowseThumbOption, 1, false); });
  session->scroll(apprt::kScrollThumbPosition, 60);
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(browse.takeHandOvers(), (std::vector<HandOver>{{kActionThumbMoved, "C001"}}));
  session->scroll(apprt::kScrollThumbPosition, 100);
  EXPECT_EQ(shownFirst(), codes(26, 40));
}

TEST_F(ScrollingTest, EveryScrollOfAShortFileKeepsAllOfIt) {
  openWith(4);
  for (const char* key : {"Up", "PgUp", "Ctrl+PgUp", "Ctrl+PgDn", "PgDn", "Down", "Down"}) {
    session->key(key);
    EXPECT_EQ(shownFirst(), codes(1, 4)) << key;
  }
  EXPECT_EQ(selectedRow(), 4);
}

TEST_F(ScrollingTest, EveryScrollOfAnEmptyFileShowsNothing) {
  open(browse);
  for (const char* key : {"Up", "Down", "PgUp", "PgDn", "Ctrl+PgUp", "Ctrl+PgDn"}) {
    session->key(key);
    EXPECT_TRUE(shownFirst().empty()) << key;
  }
}

}  // namespace
}  // namespace fesk::browsetest
