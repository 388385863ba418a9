// Where a page starts: locating a typed value, repositioning after a write or
// a new key order, ranges (as text and exact) with fixed key components, and
// browsing through a view.

#include <algorithm>

#include "browse_harness.h"
#include "raw_sql.h"
#include "runtime/files/data_directory.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

class LocatingTest : public BrowseTest {
 protected:
  // Locates from `value` the way a locator key does: the value in the record,
  // then a page load with SETTOKEY.
  void locate(const std::string& value) {
    inProcedure([this, value] {
      BRCODES.buffer().CODE = value;
      KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
      KX_BrowseProp(kList, kBrowseSetToKey, 1, false);
      browse.drive();
    });
  }
  BrowseProcedure browse{BRCODES, CODE_KEY};
};

TEST_F(LocatingTest, LocatingShowsThePageFromTheFirstRecordAtOrAfterTheValue) {
  addCodes(40);
  open(browse);
  locate("C020");
  EXPECT_EQ(shownFirst(), codes(20, 34));
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(thumb(), 50);
  locate("c0205");  // between C020 and C021, typed in lower case
  EXPECT_EQ(shownFirst(), codes(21, 35));
}

TEST_F(LocatingTest, LocatingNearTheEndFillsFromAboveAndKeepsTheLocatedRecordSelected) {
  addCodes(40);
  open(browse);
  locate("C035");
  EXPECT_EQ(shownFirst(), codes(26, 40));
  EXPECT_EQ(selectedRow(), 10);
  EXPECT_EQ(list().rows[selectedRow() - 1][0], "C035");
  EXPECT_EQ(beeps(), 0);
}

TEST_F(LocatingTest, LocatingBeyondTheLastRecordShowsTheLastPageAndBeeps) {
  addCodes(40);
  open(browse);
  locate("D");
  EXPECT_EQ(shownFirst(), codes(26, 40));
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(thumb(), 100);
  EXPECT_EQ(beeps(), 1);
}

TEST_F(LocatingTest, ALocateRequestEventLoadsThePageOnce) {
  addCodes(40);
  open(browse);
  browse.takeFills();
  inProcedure([] {
    BRCODES.buffer().CODE = "C010";
    apprt::POST(kEventLocateRequest, kList);
  });
  EXPECT_EQ(shownFirst(), codes(10, 24));
  EXPECT_EQ(browse.takeFills(), 15) << "one page load for the event";
}

TEST_F(LocatingTest, SetToPositionOneShowsAnInsertedRecordAtTheSelectedRow) {
  addCodes(40);
  browse.handOver = [](int action) {
    if (action != kActionInsert) return;
    BRCODES.clear();
    BRCODES.buffer().CODE = "C0305";  // sorts between C030 and C031
    BRCODES.add();
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToPosition, 1, false);
  };
  open(browse);
  session->row(5);
  session->key("Ins");
  std::vector<std::string> expected = codes(27, 30);
  expected.push_back("C0305");
  for (auto& c : codes(31, 40)) expected.push_back(c);
  EXPECT_EQ(shownFirst(), expected);
  EXPECT_EQ(selectedRow(), 5);
}

TEST_F(LocatingTest, SetToPositionOneKeepsTheSelectedRecordWhenTheKeyOrderChanges) {
  for (int n = 1; n <= 20; ++n) addCode(code(n), "N" + code(21 - n).substr(1));
  open(browse);
  session->row(5);  // C005, named N016
  inProcedure([this] {
    browse.key = &NAME_KEY;
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToPosition, 1, false);
    browse.drive();
  });
  EXPECT_EQ(shownFirst(), codes(15, 1));
  EXPECT_EQ(list().rows[selectedRow() - 1][0], "C005");
}

TEST_F(LocatingTest, SetToPositionThreeWithTheItemBeyondTheRowsPutsItOnTheLastRow) {
  addCodes(40);
  browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseRows, 20, false); };
  open(browse);
  ASSERT_EQ(shownFirst(), codes(1, 20));
  session->row(18);
  inProcedure([this] {
    ASSERT_EQ(KX_BrowseProp(kList, kBrowseCurItem, 0, true), 18);
    KX_BrowseProp(kList, kBrowseRows, 15, false);
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToPosition, 3, false);
    browse.drive();
  });
  EXPECT_EQ(shownFirst(), codes(4, 18));
  EXPECT_EQ(selectedRow(), 15);
}

class RangeTest : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    for (auto [itemCode, number] : {std::pair{"0", "1"},
                                    {"A", "1"},
                                    {"a", "2"},
                                    {"A", "3"},
                                    {"a", "4"},
                                    {"B", "1"},
                                    {"b", "2"}}) {
      addItem(itemCode, number);
    }
  }
  void rangeOver(const std::string& low, const std::string& high, uint8_t isText,
                 uint8_t isNumber) {
    child.range = [=] { return BrowseRange{BRITEMS.field(0), low, high, isText, isNumber}; };
  }
  std::vector<std::string> shownItems() const {
    std::vector<std::string> items;
    for (const auto& row : list().rows) items.push_back(row.at(0) + row.at(1));
    return items;
  }
  BrowseProcedure child{BRITEMS, ITEM_KEY};
};

TEST_F(RangeTest, ATextRangeOfAIncludesLowerCaseA) {
  rangeOver("A", "A", 1, 0);
  open(child);
  const std::vector<std::string> inRange = {"A1", "a2", "A3", "a4"};
  EXPECT_EQ(shownItems(), inRange);
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownItems(), inRange) << "the last page is found just before B";
  EXPECT_EQ(selectedRow(), 4);
  session->key("Down");
  EXPECT_EQ(shownItems(), inRange);
  EXPECT_EQ(thumb(), 100);
  session->key("Ctrl+PgUp");
  session->key("Up");
  EXPECT_EQ(shownItems(), inRange);
  EXPECT_EQ(thumb(), 0);
  EXPECT_EQ(beeps(), 2);
}

// A range holds what the key puts between its bounds: "A_" lies between "A"
// and "AZ" (signs between the upper- and lower-case letters sort before the
// letters), so it ends no page short of "AZ".
TEST_F(RangeTest, ATextRangeHoldsEveryCodeTheKeyPutsBetweenItsBounds) {
  addItem("AZ", "1");
  addItem("A_", "1");
  rangeOver("A", "az", 1, 0);
  open(child);
  const std::vector<std::string> inRange = {"A1", "a2", "A3", "a4", "A_1", "AZ1"};
  EXPECT_EQ(shownItems(), inRange);
}

TEST_F(RangeTest, ScrollingStopsAtBothEndsOfALongRange) {
  for (int n = 10; n < 30; ++n) addItem(n % 2 ? "a" : "A", std::to_string(n));
  rangeOver("a", "a", 1, 0);
  open(child);
  EXPECT_EQ(shownItems().front(), "A1");
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownItems().size(), 15u);
  EXPECT_EQ(shownItems().back(), "a4") << "the last record of the range, not B1";
  session->key("PgDn");
  EXPECT_EQ(shownItems().back(), "a4");
  EXPECT_EQ(beeps(), 1);
  session->key("Ctrl+PgUp");
  session->key("PgUp");
  EXPECT_EQ(shownItems().front(), "A1");
  EXPECT_EQ(beeps(), 2);
}

TEST_F(RangeTest, TheLastPageOfAZRangeIsFoundPastTheLetters) {
  for (int n = 10; n < 30; ++n) addItem(n % 2 ? "z" : "Z", std::to_string(n));
  addItem("_", "1");  // sorts before the letters, as "[" would
  rangeOver("Z", "Z", 1, 0);
  open(child);
  EXPECT_EQ(shownItems().front(), "Z10");
  session->key("Ctrl+PgDn");
  ASSERT_EQ(shownItems().size(), 15u);
  EXPECT_EQ(shownItems().front(), "z15");
  EXPECT_EQ(shownItems().back(), "z29");
}

// Codes that begin with the range's value sort between it and the value with
// its last character stepped up; the last page must still be the range's.
TEST_F(RangeTest, TheLastPageIsTheRangesWhateverCodesFollowItsValue) {
  const std::string fullWidth = "ABCDEFGHIJKLMNOPQRST";  // no longer code can exist
  // Twenty letters too, the last one "п" (0xD0 0xBF): stepped up, it is "р"
  // (0xD1 0x80), not a byte that would cut the letter.
  std::string cyrillicWidth;
  for (int i = 0; i < 19; ++i) cyrillicWidth += "д";
  cyrillicWidth += "п";
  // Items 01..20 of a parent, their codes alternately in upper and lower case.
  auto itemsOf = [](const std::string& parent, int from, int to) {
    std::vector<std::string> items;
    for (int n = from; n <= to; ++n) {
      std::string itemCode = parent;
      if (n % 2 == 0) std::transform(itemCode.begin(), itemCode.end(), itemCode.begin(), ::tolower);
      items.push_back(itemCode + (n < 10 ? "0" : "") + std::to_string(n));
    }
    return items;
  };
  for (const std::string& parent : {std::string("A1"), fullWidth, cyrillicWidth}) {
    for (const auto& item : itemsOf(parent, 1, 20))
      addItem(item.substr(0, parent.size()), item.substr(parent.size()));
  }
  for (const std::string& follower :
       {std::string("A10"), std::string("a1x"), std::string("A1 x"), std::string("a1\x01z"),
        std::string("A2"), std::string("abcdefghijklmnopqrsu"),
        cyrillicWidth.substr(0, cyrillicWidth.size() - 2) + "р"})
    addItem(follower, "01");
  open(child);
  for (const std::string& parent : {std::string("A1"), fullWidth, cyrillicWidth}) {
    inProcedure([&] { rangeOver(parent, parent, 1, 0); });
    session->key("Ctrl+PgDn");
    EXPECT_EQ(shownItems(), itemsOf(parent, 6, 20)) << parent;
    EXPECT_EQ(selectedRow(), 15) << parent;
    session->key("PgUp");
    session->key("PgUp");
    EXPECT_EQ(shownItems(), itemsOf(parent, 1, 15)) << parent;
  }
}

// Another tool may store a code with trailing blanks: "A " and "a  " are the
// code A by the files' rule, and the range of A holds them wherever the
// store sorts them; no row shows twice and none is left out, whichever way
// the range is scrolled.
TEST_F(RangeTest, CodesStoredWithTrailingBlanksAreInTheRangeOnceEach) {
  test::runSqlOn(apprt::dataDirectory() / "BRITEMS.sqlite",
                 "INSERT INTO BRITEMS (CODE, NUMBER) VALUES ('A ', '5'), ('a  ', '6')");
  addItem("A x", "1");  // not the code A: beyond the range
  rangeOver("A", "A", 1, 0);
  open(child);
  const std::vector<std::string> inRange = {"A1", "a2", "A3", "a4", "A5", "a6"};
  EXPECT_EQ(shownItems(), inRange);
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownItems(), inRange) << "the last page holds the codes with blanks";
  EXPECT_EQ(selectedRow(), 6);
  session->key("Down");
  session->key("Down");
  EXPECT_EQ(shownItems(), inRange);
  EXPECT_EQ(beeps(), 2);
  session->key("Ctrl+PgUp");
  session->key("Up");
  EXPECT_EQ(shownItems(), inRange);
}

TEST_F(RangeTest, ALowerBoundAboveTheUpperShowsAnEmptyPage) {
  rangeOver("B", "A", 1, 0);
  open(child);
  EXPECT_TRUE(shownItems().empty());
  EXPECT_EQ(child.takeHandOvers(), (std::vector<HandOver>{{kActionListEmpty, ""}}));
}

TEST_F(RangeTest, AnExactRangeComparesLetterCase) {
  rangeOver("A", "A", 0, 0);
  open(child);
  EXPECT_EQ(shownItems(), std::vector<std::string>{"A1"}) << "the fill ends at a2";
}

TEST_F(RangeTest, ADifferingFixedComponentEndsTheFill) {
  rangeOver("A", "A", 1, 0);
  child.afterRegistration = [this] {
    child.fixed.fixed1Field = BRITEMS.field(1);
    child.fixed.fixed1Value = "1";
  };
  open(child);
  EXPECT_EQ(shownItems(), std::vector<std::string>{"A1"});
}

TEST_F(RangeTest, ALocatedValueOutsideTheRangeStartsAtItsLowerBound) {
  rangeOver("A", "A", 1, 0);
  open(child);
  inProcedure([this] {
    BRITEMS.buffer().CODE = "Z";
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToKey, 1, false);
    child.drive();
  });
  EXPECT_EQ(shownItems(), (std::vector<std::string>{"A1", "a2", "A3", "a4"}));
}

class ViewTest : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    for (int n = 1; n <= 40; ++n) addCode(code(n), n % 2 ? "Odd" : "Even");
    browse.useView = true;
  }
  std::vector<std::string> evens(int from, int to) {
    std::vector<std::string> all;
    for (int n = from; n <= to; n += 2) all.push_back(code(n));
    return all;
  }
  BrowseProcedure browse{BRCODES, CODE_KEY};
  std::string filter;
};

TEST_F(ViewTest, TheViewGetsTheBrowsesFilterAndIsReadFromBothEnds) {
  filter = "BRC:NAME LIKE 'Even%'";
  browse.afterRegistration = [this] {
    KX_BrowseProp(kList, kBrowseUseView, 1, false);
    BrowseRegistry.buffer.VIEWFILTER = &filter;
  };
  open(browse);
  EXPECT_EQ(shownFirst(), evens(2, 30));
  session->key("Ctrl+PgDn");
  EXPECT_EQ(shownFirst(), evens(12, 40));
  session->key("Down");
  EXPECT_EQ(shownFirst(), evens(12, 40));
  EXPECT_EQ(beeps(), 1);
  session->key("PgUp");
  session->key("Up");
  EXPECT_EQ(shownFirst(), evens(10, 38));
}

TEST_F(ViewTest, ABlankOrUnsetFilterIsNotGivenToTheView) {
  filter = "   ";
  browse.afterRegistration = [this] {
    KX_BrowseProp(kList, kBrowseUseView, 1, false);
    BrowseRegistry.buffer.VIEWFILTER = &filter;
    browse.view->setProperty(apprt::kPropViewFilter, "BRC:NAME LIKE 'Even%'");
  };
  open(browse);
  EXPECT_EQ(shownFirst(), evens(2, 30)) << "the view keeps the filter it had";
}

TEST_F(ViewTest, SetToPositionOneThroughTheViewShowsTheWrittenRecord) {
  filter = "BRC:NAME LIKE 'Even%'";
  browse.afterRegistration = [this] {
    KX_BrowseProp(kList, kBrowseUseView, 1, false);
    BrowseRegistry.buffer.VIEWFILTER = &filter;
  };
  browse.handOver = [](int action) {
    if (action != kActionInsert) return;
    BRCODES.clear();
    BRCODES.buffer().CODE = "C0155";  // sorts between C014 and C016
    BRCODES.buffer().NAME = "Even";
    BRCODES.add();
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToPosition, 1, false);
  };
  open(browse);
  session->row(3);
  session->key("Ins");
  std::vector<std::string> expected = {"C012", "C014", "C0155"};
  for (auto& c : evens(16, 40)) expected.push_back(c);
  expected.resize(15);
  EXPECT_EQ(shownFirst(), expected);
  EXPECT_EQ(selectedRow(), 3);
}

}  // namespace
}  // namespace fesk::browsetest
