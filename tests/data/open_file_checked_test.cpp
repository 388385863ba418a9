// Opening a data file through every row of the failure table: what the user
// sees, whether the program goes on, and the halt message.

#include "data/open_file_checked.h"

#include <gtest/gtest.h>

#include "data/data_files.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

using apprt::DriverOperation;

class OpenFileCheckedTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    useFaultDriver();
  }

  // Opens FESK1 as every procedure does and tells whether it ended open.
  ProgramOutcome openFesk1(const std::vector<int>& answers = {}, bool createAllowed = true,
                           bool skipMissingCheck = false) {
    return runInProgram(
        [=, this] {
          OpenFileChecked(FESK1, 0, createAllowed, skipMissingCheck, true);
          openedFesk1 = FESK1.isOpen();
          FESK1.close();
        },
        answers);
  }

  static void expectHalted(const ProgramOutcome& outcome, const std::string& message) {
    EXPECT_FALSE(outcome.bodyFinished);
    EXPECT_EQ(outcome.haltMessage, message);
    EXPECT_EQ(outcome.exitCode, 0);
  }

  bool openedFesk1 = false;
};

TEST_F(OpenFileCheckedTest, AnExistingFileOpensSharedWithNothingShown) {
  seed({{"A", "a"}}, {});
  const auto outcome = openFesk1();
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_TRUE(openedFesk1);
  EXPECT_EQ(faults_.openModes, (std::vector<int>{0x42}));
}

TEST_F(OpenFileCheckedTest, UnsharedOpensUseTheAccessModeGiven) {
  seed({}, {});
  runInProgram([] {
    OpenFileChecked(FESK1, 0x22, true, false, false);
    FESK1.close();
  });
  EXPECT_EQ(faults_.openModes, (std::vector<int>{0x22}));
}

TEST_F(OpenFileCheckedTest, AFileAlreadyOpenInTheThreadCountsAsOpened) {
  seed({}, {});
  const auto outcome = runInProgram([this] {
    OpenDataFile(FESK1);
    OpenDataFile(FESK1);
    openedFesk1 = FESK1.isOpen();
  });
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_TRUE(openedFesk1);
}

TEST_F(OpenFileCheckedTest, NeedsRecoveryIsToldToRecoverAndOpenedOnceMore) {
  seed({{"A", "a"}}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kNeedsRecovery);
  const auto outcome = openFesk1();
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_TRUE(openedFesk1);
  EXPECT_EQ(faults_.options, (std::vector<std::string>{"Recover=10"}));
  EXPECT_EQ(faults_.calls(DriverOperation::kOpen), 2);
}

TEST_F(OpenFileCheckedTest, RecoveryIsAskedForOnceAndTheFileOpenedOnceMoreNeverMore) {
  seed({}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kNeedsRecovery, 1, false);
  const auto outcome = openFesk1({1});
  EXPECT_EQ(faults_.options, (std::vector<std::string>{"Recover=10"}));
  EXPECT_EQ(faults_.calls(DriverOperation::kOpen), 2);
  EXPECT_EQ(titles(outcome), (std::vector<std::string>{"File Access Error"}));
  expectHalted(outcome, "Disk Error");
}

TEST_F(OpenFileCheckedTest, AMissingFileIsCreatedEmptyAndOpenedWithNothingShown) {
  const auto outcome = openFesk1();
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_TRUE(outcome.bodyFinished);
  EXPECT_TRUE(openedFesk1);
  EXPECT_EQ(faults_.calls(DriverOperation::kCreate), 1);
  EXPECT_EQ(faults_.openModes, (std::vector<int>{0x42, 0x42}));
  EXPECT_TRUE(storedFesk1().empty());
}

TEST_F(OpenFileCheckedTest, AFailedCreateEndsTheProgram) {
  faults_.failOn(DriverOperation::kCreate, apprt::kAccessDenied);
  const auto outcome = openFesk1({1});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"File Creation Error"}));
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (Access Denied (5)) creating FESK1.  Press OK to end this application.");
  expectHalted(outcome, "File Creation Error!");
}

TEST_F(OpenFileCheckedTest, ACreatedFileThatWillNotOpenEndsTheProgram) {
  faults_.failOn(DriverOperation::kOpen, apprt::kAccessDenied, 2);
  const auto outcome = openFesk1({1});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"File Creation Error"}));
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (Access Denied (5)) opening created file:FESK1.  Press OK to end this "
            "application.");
  expectHalted(outcome, "File Creation Error!");
}

TEST_F(OpenFileCheckedTest, AMissingFileThatMayNotBeCreatedEndsTheProgram) {
  const auto outcome = openFesk1({1}, false);
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"File Creation Error"}));
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (File Not Found (2)) creating FESK1.  Press OK to end this application.");
  EXPECT_EQ(faults_.calls(DriverOperation::kCreate), 0);
  expectHalted(outcome, "File Creation Error!");
}

TEST_F(OpenFileCheckedTest, AMissingFileWithTheMissingCheckSkippedIsADiskError) {
  const auto outcome = openFesk1({1}, true, true);
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"File Access Error"}));
  EXPECT_EQ(outcome.boxes[0].request.text,
            "File (FESK1) could not be opened.  Error: File Not Found (2).");
  EXPECT_EQ(faults_.calls(DriverOperation::kCreate), 0);
  expectHalted(outcome, "Disk Error");
}

TEST_F(OpenFileCheckedTest, AnInvalidFileEndsTheProgram) {
  seed({}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kFileInvalid);
  const auto outcome = openFesk1({1});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Invalid File"}));
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (Invalid Data File (47)) accessing FESK1.  Press OK to end this application.");
  expectHalted(outcome, "Invalid File!");
}

TEST_F(OpenFileCheckedTest, InvalidKeysTheUserWillNotRebuildEndTheProgram) {
  seed({}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kKeysInvalid);
  const auto outcome = openFesk1({apprt::kButtonNo});
  EXPECT_EQ(titles(outcome), (std::vector<std::string>{"Invalid Key"}));
  EXPECT_EQ(faults_.calls(DriverOperation::kBuildKeys), 0);
  expectHalted(outcome, "Invalid Key!");
}

TEST_F(OpenFileCheckedTest, InvalidKeysAreRebuiltAndTheFileOpenedInTheSameMode) {
  seed({{"B", "b"}, {"A", "a"}}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kKeysInvalid);
  const auto outcome = openFesk1({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), (std::vector<std::string>{"Invalid Key"}));
  EXPECT_TRUE(outcome.bodyFinished);
  EXPECT_TRUE(openedFesk1);
  EXPECT_EQ(faults_.calls(DriverOperation::kBuildKeys), 1);
  EXPECT_EQ(faults_.openModes, (std::vector<int>{0x42, 0x42}));
  EXPECT_EQ(storedFesk1(), (Records{{"A", "a"}, {"B", "b"}}));
}

TEST_F(OpenFileCheckedTest, AFailedRebuildEndsTheProgram) {
  seed({}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kKeysInvalid);
  faults_.failOn(DriverOperation::kBuildKeys, apprt::kDriverError);
  const auto outcome = openFesk1({apprt::kButtonYes, 1});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Invalid Key", "Key Rebuild Error"}));
  EXPECT_EQ(outcome.boxes[1].request.text,
            "Error: (injected failure (fault)) repairing key for FESK1.  Press OK to end this "
            "application.");
  expectHalted(outcome, "Error Rebuilding Key!");
}

TEST_F(OpenFileCheckedTest, AReopenThatFailsAfterTheRebuildIsADiskError) {
  seed({}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kKeysInvalid, 1, false);
  const auto outcome = openFesk1({apprt::kButtonYes, 1});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Invalid Key", "File Access Error"}));
  EXPECT_EQ(outcome.boxes[1].request.text,
            "File (FESK1) could not be opened.  Error: Invalid Key File (46).");
  expectHalted(outcome, "Disk Error");
}

TEST_F(OpenFileCheckedTest, AnyOtherOpenErrorIsADiskError) {
  seed({}, {});
  faults_.failOn(DriverOperation::kOpen, apprt::kAccessDenied);
  const auto outcome = openFesk1({1});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"File Access Error"}));
  EXPECT_EQ(outcome.boxes[0].request.text,
            "File (FESK1) could not be opened.  Error: Access Denied (5).");
  expectHalted(outcome, "Disk Error");
}

}  // namespace
}  // namespace fesk::test
