// Key values: duplicates, letter case, padding and UTF-8 in stored records.
#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

std::vector<std::string> itemsInKeyOrder() {
  std::vector<std::string> rows;
  ITEMS.setOnKey(ITEM_KEY);
  for (ITEMS.next(); ERRCODE() == 0; ITEMS.next()) {
    rows.push_back(ITEMS.buffer().CODE.text() + "/" + ITEMS.buffer().NUMBER.text());
  }
  return rows;
}

using FileKeysTest = FileTest;

TEST_P(FileKeysTest, EqualKeysReadInTheOrderTheyWereAddedBothWays) {
  addItem("B", "1");
  addItem("A", "2");
  addItem("a", "3");
  addItem("A", "4");
  EXPECT_EQ(itemsInKeyOrder(), (std::vector<std::string>{"A/2", "a/3", "A/4", "B/1"}));
  ITEMS.setOnKey(ITEM_KEY);
  std::string backward;
  for (ITEMS.previous(); ERRCODE() == 0; ITEMS.previous()) backward += ITEMS.buffer().NUMBER.text();
  EXPECT_EQ(backward, "1432");
}

TEST_P(FileKeysTest, APositionAmongDuplicatesComesBackToThatVeryRecord) {
  for (const char* number : {"1", "2", "3"}) addItem("A", number);
  ITEMS.setOnKey(ITEM_KEY);
  ITEMS.next();
  ITEMS.next();
  const std::string second = ITEMS.positionByKey(ITEM_KEY);
  ITEMS.next();
  ITEMS.resetToPosition(ITEM_KEY, second);
  ITEMS.previous();
  EXPECT_EQ(ITEMS.buffer().NUMBER.text(), "2");
  ITEMS.previous();
  EXPECT_EQ(ITEMS.buffer().NUMBER.text(), "1");
}

TEST_P(FileKeysTest, AUniqueKeyIgnoresLetterCase) {
  addCode("abc", "first");
  CODES.clear();
  CODES.buffer().CODE = "ABC";
  EXPECT_TRUE(CODES.duplicateOnKey(CODE_KEY));
  EXPECT_TRUE(CODES.duplicateAnyUnique());
  EXPECT_FALSE(CODES.duplicateOnKey(NAME_KEY)) << "a key with duplicates never duplicates";
  CODES.add();
  EXPECT_EQ(ERRCODE(), apprt::kDuplicateKey);
  EXPECT_EQ(readAll(CODE_KEY), std::vector<std::string>{"abc/first"});
}

TEST_P(FileKeysTest, TheCurrentRecordDoesNotDuplicateItself) {
  addCode("A", "one");
  CODES.buffer().NAME = "renamed";
  EXPECT_FALSE(CODES.duplicateAnyUnique());
  addCode("B");
  CODES.buffer().CODE = "a";
  EXPECT_TRUE(CODES.duplicateOnKey(CODE_KEY));
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kDuplicateKey);
  EXPECT_EQ(readAll(CODE_KEY), (std::vector<std::string>{"A/one", "B/"}));
}

TEST_P(FileKeysTest, AOneLetterCodeIsTheSameCodeAsTheLetterPaddedWithSpaces) {
  addCode("A", "letter");
  CODES.clear();
  CODES.buffer().CODE = "A                   ";
  EXPECT_TRUE(CODES.duplicateOnKey(CODE_KEY));
  CODES.setOnKeyValue(CODE_KEY);
  CODES.next();
  EXPECT_EQ(CODES.buffer().NAME.text(), "letter");
  EXPECT_TRUE(CODES.buffer().CODE == "A");
  EXPECT_EQ(CODES.buffer().CODE.view(), "A" + std::string(apprt::fieldBytes(20) - 1, ' '));
}

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST_P(FileKeysTest, AFieldOfTwentyHoldsTwentyCharactersOfAnyScriptAndIsKeyedWhole) {
  const std::string elevenE = repeated("É", 11);
  const std::string twentyE = repeated("É", 20);
  addCode(twentyE, "Ångström Émile Öland");
  addCode(elevenE, repeated("😀", 21));  // one character too many: the 21st goes whole
  addCode(repeated("É", 19) + "x", repeated("€", 20));

  EXPECT_EQ(readAll(CODE_KEY),
            (std::vector<std::string>{elevenE + "/" + repeated("😀", 20),
                                      repeated("É", 19) + "x/" + repeated("€", 20),
                                      twentyE + "/Ångström Émile Öland"}));
  // The unique key compares the whole value, not its first bytes.
  CODES.clear();
  CODES.buffer().CODE = twentyE;
  EXPECT_TRUE(CODES.duplicateOnKey(CODE_KEY));
  CODES.buffer().CODE = repeated("É", 19);
  EXPECT_FALSE(CODES.duplicateOnKey(CODE_KEY));
  // Setting on the whole name finds it, and its position brings it back.
  CODES.buffer().NAME = "Ångström Émile Öland";
  CODES.setOnKeyValue(NAME_KEY);
  CODES.next();
  ASSERT_EQ(ERRCODE(), 0);
  EXPECT_EQ(currentCode(), twentyE);
  const std::string position = CODES.positionByKey(NAME_KEY);
  CODES.clear();
  CODES.reget(position);
  ASSERT_EQ(ERRCODE(), 0);
  EXPECT_EQ(CODES.buffer().NAME.text(), "Ångström Émile Öland");
}

TEST_P(FileKeysTest, ARunOfChildUpdatesChangingTheKeyVisitsEveryChildOnce) {
  // The cascade of a parent's new code: set on the old code, read forward
  // while the code still matches, give each record the new code.
  for (const char* number : {"1", "2", "3"}) addItem("OLD", number);
  addItem("OLDER", "4");
  addItem("NEW", "5");
  ITEMS.clear();
  ITEMS.buffer().CODE = "OLD";
  ITEMS.setOnKeyValue(ITEM_KEY);
  int changed = 0;
  for (ITEMS.next(); ERRCODE() == 0 && ITEMS.buffer().CODE == "OLD"; ITEMS.next()) {
    ITEMS.buffer().CODE = "NEW";
    ITEMS.put();
    ASSERT_EQ(ERRCODE(), 0);
    ++changed;
  }
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(itemsInKeyOrder(),
            (std::vector<std::string>{"NEW/1", "NEW/2", "NEW/3", "NEW/5", "OLDER/4"}));
}

TEST_P(FileKeysTest, ADeleteRunRemovesEveryMatchingChild) {
  for (const char* number : {"1", "2", "3"}) addItem("X", number);
  addItem("Y", "4");
  ITEMS.clear();
  ITEMS.buffer().CODE = "x";
  ITEMS.setOnKeyValue(ITEM_KEY);
  for (ITEMS.next(); ERRCODE() == 0 && ITEMS.buffer().CODE.text() == "X"; ITEMS.next()) {
    ITEMS.remove();
    ASSERT_EQ(ERRCODE(), 0);
  }
  EXPECT_EQ(itemsInKeyOrder(), std::vector<std::string>{"Y/4"});
}

TEST_P(FileKeysTest, AFileOpenedForReadingOnlyRefusesWrites) {
  ITEMS.close();
  ITEMS.open(apprt::kOpenReadOnly);
  ITEMS.clear();
  ITEMS.add();
  EXPECT_EQ(ERRCODE(), apprt::kAccessDenied);
  ITEMS.open(apprt::kOpenSharedReadWrite);
  EXPECT_EQ(ERRCODE(), apprt::kAlreadyOpen);
}

// A run that re-keys what it reads, as a cascade does, inside a transaction:
// a record written to a place ahead of the run is read again there, once,
// between the records it now lies between, on every driver.
TEST_P(FileKeysTest, ARecordReKeyedAheadOfARunIsReadAgainAtItsNewPlace) {
  for (const char* number : {"1", "2", "3"}) addItem("A", number);
  for (const char* number : {"4", "5"}) addItem("C", number);
  apprt::beginTransaction(5, {&ITEMS});
  std::string read;
  ITEMS.setOnKey(ITEM_KEY);
  for (ITEMS.next(); ERRCODE() == 0; ITEMS.next()) {
    read += ITEMS.buffer().CODE.text() + ITEMS.buffer().NUMBER.text() + " ";
    if (ITEMS.buffer().CODE.text() != "A") continue;
    ITEMS.buffer().CODE = "B";
    ITEMS.put();
    ASSERT_EQ(ERRCODE(), 0);
  }
  apprt::commitTransaction();
  EXPECT_EQ(read, "A1 A2 A3 B1 B2 B3 C4 C5 ");
}

INSTANTIATE_TEST_SUITE_P(Drivers, FileKeysTest, allDrivers(), fesk::test::storeName);

}  // namespace
}  // namespace filetest
