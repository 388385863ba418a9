// Sequential reads, positions and re-reads, on every driver.
#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

class FileReadingTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    for (const char* code : {"B", "D", "A", "E", "C"}) addCode(code, std::string("n") + code);
  }
  // Reads one record forward or backward and answers its code ("33" at the end).
  static std::string read(bool forward) {
    forward ? CODES.next() : CODES.previous();
    return ERRCODE() == 0 ? currentCode() : std::to_string(ERRCODE());
  }
  static std::string next() { return read(true); }
  static std::string previous() { return read(false); }
  static std::string positionOf(const std::string& code) {
    CODES.buffer().CODE = code;
    CODES.setOnKeyValue(CODE_KEY);
    CODES.next();
    return CODES.positionByKey(CODE_KEY);
  }
};

TEST_P(FileReadingTest, SetOnKeyReadsFromEitherEndAndStopsAtTheOther) {
  CODES.setOnKey(CODE_KEY);
  EXPECT_EQ(next(), "A");
  EXPECT_EQ(next(), "B");
  CODES.setOnKey(CODE_KEY);
  EXPECT_EQ(previous(), "E");
  EXPECT_EQ(previous(), "D");
  CODES.setOnKey(CODE_KEY);
  for (int i = 0; i < 5; ++i) next();
  EXPECT_EQ(next(), "33");
  EXPECT_EQ(next(), "33");
  EXPECT_EQ(previous(), "D") << "a failed read leaves the position on the last record read";
  CODES.setOnKey(CODE_KEY);
  EXPECT_EQ(next(), "A");
  EXPECT_EQ(previous(), "33");
}

TEST_P(FileReadingTest, SetOnKeyValueStartsAtOrAfterTheValueForwardAndBeforeItBackward) {
  CODES.clear();
  CODES.buffer().CODE = "C";
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_EQ(next(), "C");
  CODES.buffer().CODE = "C";
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_EQ(previous(), "B");
  CODES.buffer().CODE = "bb";  // between B and C, in another case
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_EQ(next(), "C");
  CODES.buffer().CODE = "bb";
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_EQ(previous(), "B");
}

TEST_P(FileReadingTest, LowestAndHighestFillsStandBeforeAndAfterEveryRecord) {
  CODES.clear(apprt::Fill::kLowest);
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_EQ(next(), "A");
  CODES.clear(apprt::Fill::kHighest);
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_TRUE(CODES.pastEnd());
  EXPECT_EQ(previous(), "E");
  CODES.clear(apprt::Fill::kHighest);
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_EQ(next(), "33");
}

TEST_P(FileReadingTest, PastEndTellsWhetherAForwardReadWouldFindARecord) {
  CODES.buffer().CODE = "E";
  CODES.setOnKeyValue(CODE_KEY);
  EXPECT_FALSE(CODES.pastEnd());
  EXPECT_EQ(next(), "E") << "asking does not move";
  EXPECT_TRUE(CODES.pastEnd());
  EXPECT_EQ(ERRCODE(), 0);
}

TEST_P(FileReadingTest, AReadInTheOtherDirectionReturnsTheNeighbourOfTheRecordLastRead) {
  CODES.setOnKey(CODE_KEY);
  next();
  next();
  EXPECT_EQ(next(), "C");
  EXPECT_EQ(previous(), "B");
  EXPECT_EQ(previous(), "A");
  EXPECT_EQ(next(), "B");
  EXPECT_EQ(next(), "C");
}

TEST_P(FileReadingTest, ResetToAPositionReadsThatRecordFirstInEitherDirection) {
  const std::string c = positionOf("C");
  CODES.resetToPosition(CODE_KEY, c);
  EXPECT_EQ(next(), "C");
  EXPECT_EQ(next(), "D");
  CODES.resetToPosition(CODE_KEY, c);
  EXPECT_EQ(previous(), "C");
  EXPECT_EQ(previous(), "B");
}

TEST_P(FileReadingTest, ResetToADeletedRecordReadsItsNeighbourOnThatSide) {
  const std::string c = positionOf("C");
  CODES.remove();
  ASSERT_EQ(ERRCODE(), 0);
  CODES.resetToPosition(CODE_KEY, c);
  EXPECT_EQ(next(), "D");
  CODES.resetToPosition(CODE_KEY, c);
  EXPECT_EQ(previous(), "B");
}

TEST_P(FileReadingTest, ResetAcceptsAPositionByFileAndResetfReadsInFileOrder) {
  positionOf("C");
  const std::string byFile = CODES.positionByFile();
  CODES.resetToPosition(CODE_KEY, byFile);
  EXPECT_EQ(next(), "C");
  EXPECT_EQ(next(), "D");
  CODES.resetToPosition(byFile);  // file order is the order of adding: B D A E C
  EXPECT_EQ(previous(), "C");
  EXPECT_EQ(previous(), "E");
}

TEST_P(FileReadingTest, PositionsAreEqualForTheSameRecordAndDifferOtherwise) {
  const std::string c = positionOf("C");
  EXPECT_EQ(positionOf("c"), c);
  EXPECT_NE(positionOf("D"), c);
  EXPECT_LE(c.size(), 512u);
  positionOf("C");
  EXPECT_NE(CODES.positionByFile(), c);
}

TEST_P(FileReadingTest, RegetAcceptsEitherPositionAndRejectsARecordWhoseKeyChanged) {
  const std::string byKey = positionOf("C");
  const std::string byFile = CODES.positionByFile();
  CODES.clear();
  CODES.reget(byKey);
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(currentCode(), "C");
  CODES.clear();
  CODES.reget(byFile);
  EXPECT_EQ(currentCode(), "C");

  CODES.buffer().CODE = "CC";
  CODES.put();
  ASSERT_EQ(ERRCODE(), 0);
  CODES.reget(byKey);
  EXPECT_EQ(ERRCODE(), apprt::kRecordNotFound);
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kRecordNotFound) << "a failed re-get leaves no current record";
  CODES.reget(byFile);
  EXPECT_EQ(currentCode(), "CC");
}

TEST_P(FileReadingTest, GetWithPositionZeroClearsTheCurrentRecordAndWritesThenFail) {
  positionOf("C");
  CODES.getByPosition("");
  EXPECT_EQ(ERRCODE(), 0);
  CODES.buffer().NAME = "changed";
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kRecordNotFound);
  CODES.remove();
  EXPECT_EQ(ERRCODE(), apprt::kRecordNotFound);
  EXPECT_EQ(readAll(CODE_KEY), (std::vector<std::string>{"A/nA", "B/nB", "C/nC", "D/nD", "E/nE"}));
}

TEST_P(FileReadingTest, AWriteDoesNotMoveTheSequentialPosition) {
  CODES.setOnKey(CODE_KEY);
  next();
  EXPECT_EQ(next(), "B");
  CODES.buffer().CODE = "Z";  // B moves to the end of the key
  CODES.put();
  ASSERT_EQ(ERRCODE(), 0);
  EXPECT_EQ(next(), "C") << "the run continues with the record that followed";
  CODES.remove();
  EXPECT_EQ(next(), "D");
  EXPECT_EQ(previous(), "A") << "C is gone and B now sorts last";
}

// Opens `view` from the file's position at B in code order, reads B and
// answers its position in the view.
std::string openViewAtB(apprt::View& view) {
  CODES.buffer().CODE = "B";
  CODES.setOnKeyValue(CODE_KEY);
  view.open(apprt::kOpenViewMode);
  view.next();
  EXPECT_EQ(CODES.buffer().CODE.text(), "B");
  return view.position();
}

TEST_P(FileReadingTest, ViewsReadInKeyOrderFromTheFilePosition) {
  apprt::View view(CODES);
  const std::string b = openViewAtB(view);
  view.next();
  EXPECT_EQ(currentCode(), "C");
  view.resetToPosition(b);
  view.previous();
  EXPECT_EQ(currentCode(), "B");
  view.close();
}

// Filters are conditions in the driver's query language.
using FilteredReadingTest = FileReadingTest;

TEST_P(FilteredReadingTest, ViewsReadOnlyWhatTheirFiltersLetThroughInTheirOrder) {
  apprt::View view(CODES);
  const std::string b = openViewAtB(view);
  view.close();

  view.setProperty(apprt::kPropViewFilter, "COD:CODE <> 'C'");
  view.setProperty(apprt::kPropViewSqlFilter, "NAME <> 'nE'");
  view.setProperty(apprt::kPropViewOrder, "COD:NAME");
  CODES.setOnKey(CODE_KEY);
  view.open(apprt::kOpenViewMode);
  std::string seen;
  for (view.next(); ERRCODE() == 0; view.next()) seen += currentCode();
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords);
  EXPECT_EQ(seen, "ABD");
  CODES.clear();
  view.reget(b);
  EXPECT_EQ(currentCode(), "B");
}

INSTANTIATE_TEST_SUITE_P(Drivers, FileReadingTest, allDrivers(), fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Drivers, FilteredReadingTest, driversThatCan(Capability::kQueryFilters),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
