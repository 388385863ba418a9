// Deleting and re-coding FESK1 records on real files: the FESK2 records of
// the parent follow it, and no other FESK2 record is touched.

#include <gtest/gtest.h>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

using apprt::DriverOperation;

class CascadeTest : public EveryDriverDataTest {
 protected:
  // Seeds parents A, M and Z; M has three children between the others'.
  void seedFamilies() {
    seed({{"A", "alpha"}, {"M", "mike"}, {"Z", "zulu"}},
         {{"A", "1"}, {"M", "2"}, {"M", "3"}, {"Z", "4"}, {"M", "5"}});
  }

  // In a procedure: deletes the FESK1 record of `code`.
  int deleteParent(const std::string& code) {
    int result = -1;
    outcome = runInProgram([&] {
      openBothAsAProcedure();
      ASSERT_TRUE(readFesk1(code));
      result = DeleteFesk1Record();
      closeBothAsAProcedure();
    });
    return result;
  }

  // In a procedure: changes the FESK1 record of `code` as a form does.
  int changeParent(const std::string& code, const std::string& newCode,
                   const std::string& newName) {
    int result = -1;
    outcome = runInProgram([&] {
      openBothAsAProcedure();
      ASSERT_TRUE(readFesk1(code));
      RememberFesk1Code();
      FESK1.buffer().CODE = newCode;
      FESK1.buffer().NAME = newName;
      result = UpdateFesk1Record(false);
      closeBothAsAProcedure();
    });
    return result;
  }

  ProgramOutcome outcome;
};

TEST_P(CascadeTest, DeletingAParentDeletesItsThreeChildrenAndNothingElse) {
  seedFamilies();
  EXPECT_EQ(deleteParent("M"), kWriteDone);
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"Z", "zulu"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"Z", "4"}}));
}

TEST_P(CascadeTest, DeletingAParentWithNoChildrenDeletesJustIt) {
  seed({{"A", "alpha"}, {"B", "bravo"}, {"C", "charlie"}}, {{"A", "1"}, {"C", "3"}});
  EXPECT_EQ(deleteParent("B"), kWriteDone);
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"C", "charlie"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"C", "3"}}));
}

TEST_P(CascadeTest, DeletingTheLastParentDeletesChildrenUpToTheEndOfTheFile) {
  seed({{"A", "alpha"}, {"Z", "zulu"}}, {{"Z", "1"}, {"A", "2"}, {"Z", "3"}});
  EXPECT_EQ(deleteParent("Z"), kWriteDone);
  EXPECT_EQ(storedFesk2(), (Records{{"A", "2"}}));
}

TEST_P(CascadeTest, RecodingToALaterCodeCarriesEveryChildOver) {
  seedFamilies();
  EXPECT_EQ(changeParent("M", "T", "mike"), kWriteDone);
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"T", "mike"}, {"Z", "zulu"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"T", "2"}, {"T", "3"}, {"T", "5"}, {"Z", "4"}}));
}

TEST_P(CascadeTest, RecodingToAnEarlierCodeCarriesEveryChildOver) {
  seedFamilies();
  EXPECT_EQ(changeParent("M", "B", "mike"), kWriteDone);
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"B", "mike"}, {"Z", "zulu"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"B", "2"}, {"B", "3"}, {"B", "5"}, {"Z", "4"}}));
}

TEST_P(CascadeTest, RecodingAParentWithNoChildrenWritesJustIt) {
  seed({{"A", "alpha"}, {"B", "bravo"}}, {{"A", "1"}});
  EXPECT_EQ(changeParent("B", "C", "bravo"), kWriteDone);
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"C", "bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}}));
}

TEST_P(CascadeTest, ChangingOnlyTheNameWritesNoChild) {
  seedFamilies();
  useFaultDriver();  // counts the writes, injects nothing
  EXPECT_EQ(changeParent("M", "M", "november"), kWriteDone);
  EXPECT_EQ(faults_.calls(DriverOperation::kPut), 1);
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"M", "november"}, {"Z", "zulu"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"M", "2"}, {"M", "3"}, {"M", "5"}, {"Z", "4"}}));
}

// The code key ignores letter case, so "m" children belong to parent "M" and
// lie among its other children in key order.
TEST_P(CascadeTest, DeletingAParentDeletesChildrenCodedInAnotherLetterCase) {
  seed({{"A", "alpha"}, {"Mx", "mike"}, {"Z", "zulu"}},
       {{"Mx", "1"}, {"mx", "2"}, {"MX", "3"}, {"Mx", "4"}, {"mX", "5"}, {"Z", "6"}});
  EXPECT_EQ(deleteParent("Mx"), kWriteDone);
  EXPECT_EQ(storedFesk2(), (Records{{"Z", "6"}}));
}

TEST_P(CascadeTest, RecodingAParentRecodesChildrenCodedInAnotherLetterCase) {
  seed({{"A", "alpha"}, {"Mx", "mike"}, {"Z", "zulu"}},
       {{"Mx", "1"}, {"mx", "2"}, {"MX", "3"}, {"A", "4"}});
  EXPECT_EQ(changeParent("Mx", "Q", "mike"), kWriteDone);
  EXPECT_EQ(storedFesk2(), (Records{{"A", "4"}, {"Q", "1"}, {"Q", "2"}, {"Q", "3"}}));
}

TEST_P(CascadeTest, ChangingOnlyTheLetterCaseOfACodeGivesItToEveryChild) {
  seed({{"Mx", "mike"}}, {{"mx", "1"}, {"Mx", "2"}});
  EXPECT_EQ(changeParent("Mx", "MX", "mike"), kWriteDone);
  EXPECT_EQ(storedFesk1(), (Records{{"MX", "mike"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"MX", "1"}, {"MX", "2"}}));
}

TEST_P(CascadeTest, ARecodeToACodeInUseFailsAndWritesNothing) {
  seedFamilies();
  EXPECT_EQ(changeParent("M", "z", "mike"), kWriteFailed);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].request.text,
            "An error (Creates Duplicate Key (40)) was experienced when attempting to update a "
            "record from the file.  Probable Cause: fesk1.");
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"M", "mike"}, {"Z", "zulu"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"M", "2"}, {"M", "3"}, {"M", "5"}, {"Z", "4"}}));
}

TEST_P(CascadeTest, DeletingAChildDeletesJustIt) {
  seedFamilies();
  int result = -1;
  runInProgram([&] {
    openBothAsAProcedure();
    ASSERT_TRUE(readFesk2("M", "3"));
    result = DeleteFesk2Record();
    closeBothAsAProcedure();
  });
  EXPECT_EQ(result, kWriteDone);
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"M", "2"}, {"M", "5"}, {"Z", "4"}}));
}

TEST_P(CascadeTest, ChangingAChildWritesJustIt) {
  seedFamilies();
  int result = -1;
  runInProgram([&] {
    openBothAsAProcedure();
    ASSERT_TRUE(readFesk2("M", "3"));
    FESK2.buffer().NUMBER = "33";
    result = UpdateFesk2Record(false);
    closeBothAsAProcedure();
  });
  EXPECT_EQ(result, kWriteDone);
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"M", "2"}, {"M", "33"}, {"M", "5"}, {"Z", "4"}}));
}

TEST_P(CascadeTest, TheFesk2OpenCountIsBackAtItsEntryValue) {
  seedFamilies();
  struct Seen {
    int countAfter;
    bool openAfter;
  };
  std::vector<Seen> seen;
  runInProgram([&] {
    OpenDataFile(FESK1);
    ++threadBlock().Fesk1OpenCount;
    ASSERT_TRUE(readFesk1("A"));
    RememberFesk1Code();
    FESK1.buffer().CODE = "B";
    UpdateFesk1Record(false);
    seen.push_back({threadBlock().Fesk2OpenCount, FESK2.isOpen()});
    DeleteFesk1Record();
    seen.push_back({threadBlock().Fesk2OpenCount, FESK2.isOpen()});
    OpenDataFile(FESK2);
    threadBlock().Fesk2OpenCount = 1;
    ASSERT_TRUE(readFesk1("M"));
    DeleteFesk1Record();
    seen.push_back({threadBlock().Fesk2OpenCount, FESK2.isOpen()});
  });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].countAfter, 0);
  EXPECT_FALSE(seen[0].openAfter);
  EXPECT_EQ(seen[1].countAfter, 0);
  EXPECT_FALSE(seen[1].openAfter);
  EXPECT_EQ(seen[2].countAfter, 1);
  EXPECT_TRUE(seen[2].openAfter);
  EXPECT_EQ(storedFesk1(), (Records{{"Z", "zulu"}}));
}

// A form may be editing an FESK1 record while FESK2 records are written: the
// look-up of their FESK1 record leaves its buffer and current record alone.
TEST_P(CascadeTest, AChildIsStoredOnlyUnderAStoredParent) {
  seedFamilies();
  std::vector<int> results;
  int parentWritten = -1;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk1("A"));
        RememberFesk1Code();
        FESK1.buffer().NAME = "typed";
        FESK2.getByPosition("");
        FESK2.clear();
        FESK2.buffer().CODE = "Q";
        FESK2.buffer().NUMBER = "9";
        results.push_back(AddFesk2Record());
        FESK2.buffer().CODE = "m";  // M's code, as the key compares codes
        results.push_back(AddFesk2Record());
        ASSERT_TRUE(readFesk2("M", "3"));
        FESK2.buffer().CODE = "Q";
        results.push_back(UpdateFesk2Record(false));
        FESK2.buffer().CODE = "A";
        results.push_back(UpdateFesk2Record(false));
        parentWritten = UpdateFesk1Record(false);
        closeBothAsAProcedure();
      },
      {apprt::kButtonOk, apprt::kButtonOk});
  EXPECT_EQ(results, (std::vector<int>{kWriteFailed, kWriteDone, kWriteFailed, kWriteDone}));
  EXPECT_EQ(parentWritten, kWriteDone);
  ASSERT_EQ(titles(outcome),
            (std::vector<std::string>{"Field Contents Error", "Field Contents Error"}));
  EXPECT_EQ(outcome.boxes[0].request.text, "The value for code must be found in the fesk1 file.");
  EXPECT_EQ(storedFesk1(), (Records{{"A", "typed"}, {"M", "mike"}, {"Z", "zulu"}}));
  EXPECT_EQ(storedFesk2(),
            (Records{{"A", "1"}, {"A", "3"}, {"M", "2"}, {"M", "5"}, {"m", "9"}, {"Z", "4"}}));
}

INSTANTIATE_TEST_SUITE_P(Drivers, CascadeTest, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
