// Page loads as the user sees them: the first page, short and empty files,
// records the procedure skips, rows against the key order, and when the
// scroll bar shows.

#include "browse_harness.h"

namespace fesk::browsetest {
namespace {

class PagingTest : public BrowseTest {
 protected:
  BrowseProcedure browse{BRCODES, CODE_KEY};
  BrowseProcedure byName{BRCODES, NAME_KEY};
};

TEST_F(PagingTest, OpeningShowsTheFirstPageWithTheFirstRowSelected) {
  addCodes(40);
  open(browse);
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_TRUE(scrollBarShown()) << "a full page of a longer file";
  EXPECT_EQ(browse.takeFills(), 15) << "one read per row, no more";
  EXPECT_TRUE(browse.takeHandOvers().empty());
}

TEST_F(PagingTest, AShortFileShowsEveryRecordWithoutAScrollBar) {
  addCodes(5);
  open(browse);
  EXPECT_EQ(shownFirst(), codes(1, 5));
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_FALSE(scrollBarShown());
  EXPECT_TRUE(browse.takeHandOvers().empty()) << "a short list is not an empty one";
}

TEST_F(PagingTest, AnEmptyFileShowsNothingAndReportsTheEmptyListOnce) {
  std::string recordAfterLoad = "unread";
  browse.handOver = [&](int action) {
    if (action == kActionListEmpty) recordAfterLoad = BRCODES.buffer().CODE.text();
  };
  BRCODES.clear();
  open(browse);
  EXPECT_TRUE(shownFirst().empty());
  EXPECT_EQ(selectedRow(), 0);
  EXPECT_FALSE(scrollBarShown());
  EXPECT_EQ(browse.takeHandOvers(), (std::vector<HandOver>{{kActionListEmpty, ""}}));
  EXPECT_EQ(recordAfterLoad, "") << "the record buffer is cleared";

  session->key("Down");
  session->key("PgDn");
  EXPECT_TRUE(browse.takeHandOvers().empty()) << "the notice comes once";
}

TEST_F(PagingTest, SkippedRecordsDoNotKeepThePageFromFilling) {
  addCodes(40);
  browse.skip = [] { return BRCODES.buffer().CODE.text().back() == '3'; };
  open(browse);
  std::vector<std::string> expected = {"C001", "C002", "C004", "C005", "C006",
                                       "C007", "C008", "C009", "C010", "C011",
                                       "C012", "C014", "C015", "C016", "C017"};
  EXPECT_EQ(shownFirst(), expected);
}

TEST_F(PagingTest, SkippedRecordsAreLeftOutOfTheLastPageToo) {
  addCodes(40);
  browse.skip = [] { return BRCODES.buffer().CODE.text().back() == '3'; };
  open(browse);
  session->key("Ctrl+PgDn");
  std::vector<std::string> expected = {"C024", "C025", "C026", "C027", "C028",
                                       "C029", "C030", "C031", "C032", "C034",
                                       "C035", "C036", "C037", "C038", "C039"};
  expected.push_back("C040");
  expected.erase(expected.begin());
  EXPECT_EQ(shownFirst(), expected);
  EXPECT_EQ(selectedRow(), 15);
}

TEST_F(PagingTest, ReversedOrderShowsTheLastRecordsFirst) {
  addCodes(40);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseRevOrder, 7, false); };
  open(browse);
  EXPECT_EQ(shownFirst(), codes(40, 26));
  session->key("PgDn");
  session->key("PgDn");
  EXPECT_EQ(shownFirst(), codes(25, 11));
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownFirst(), codes(15, 1));
  EXPECT_EQ(selectedRow(), 15);
}

TEST_F(PagingTest, TheOtherKeyOrdersTheRows) {
  for (int n = 1; n <= 20; ++n) addCode(code(n), "N" + code(21 - n).substr(1));
  open(byName);
  EXPECT_EQ(shownFirst(), codes(20, 6));
}

TEST_F(PagingTest, WithLookAheadAFullPageWithNothingBeyondHasNoScrollBar) {
  addCodes(15);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseExtVScroll, 1, false); };
  open(browse);
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_FALSE(scrollBarShown());
}

TEST_F(PagingTest, WithLookAheadOneRecordBeyondThePageShowsTheScrollBar) {
  addCodes(16);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseExtVScroll, 1, false); };
  open(browse);
  EXPECT_EQ(shownFirst(), codes(1, 15));
  EXPECT_TRUE(scrollBarShown());
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownFirst(), codes(2, 16));
  EXPECT_TRUE(scrollBarShown()) << "a record lies above the last page";
}

TEST_F(PagingTest, WithoutLookAheadAFullPageShowsTheScrollBar) {
  addCodes(15);
  open(browse);
  EXPECT_TRUE(scrollBarShown());
}

TEST_F(PagingTest, AForcedScrollBarIsLeftAlone) {
  addCodes(3);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseForceVScroll, 1, false); };
  open(browse);
  EXPECT_TRUE(scrollBarShown()) << "the engine neither shows nor hides it";
}

TEST_F(PagingTest, DontSelectLeavesTheSelectionAndDoesNotBeep) {
  addCodes(40);
  open(browse);
  session->row(4);
  const int beepsBefore = beeps();
  inProcedure([this] {
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToKey, 1, false);
    KX_BrowseProp(kList, kBrowseDontSelect, 1, false);
    BRCODES.buffer().CODE = "ZZZ";  // beyond the last record: would beep
    browse.drive();
  });
  EXPECT_EQ(shownFirst(), codes(26, 40));
  EXPECT_EQ(selectedRow(), 4);
  EXPECT_EQ(beeps(), beepsBefore);
}

}  // namespace
}  // namespace fesk::browsetest
