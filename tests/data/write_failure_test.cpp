// Every failure path of the write routines, through the fault-injecting
// driver over real files: the warning the user sees, the result, and that
// nothing was written.

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

const Records kParents = {{"A", "alpha"}, {"M", "mike"}, {"Z", "zulu"}};
const Records kChildren = {{"A", "1"}, {"M", "2"}, {"M", "3"}, {"M", "5"}, {"Z", "4"}};

class WriteFailureTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    seed(kParents, kChildren);
    useFaultDriver();
  }

  // Runs `write` in a procedure on the FESK1 record "M" as a form leaves it
  // (FESK2 open only when `withFesk2`), answering OK to every warning.
  int onParentM(const std::function<int()>& write, bool withFesk2 = false) {
    int result = -1;
    outcome = runInProgram(
        [&] {
          if (withFesk2) {
            openBothAsAProcedure();
          } else {
            OpenDataFile(FESK1);
            threadBlock().Fesk1OpenCount = 1;
          }
          ASSERT_TRUE(readFesk1("M"));
          RememberFesk1Code();
          result = write();
          fesk2CountAfter = threadBlock().Fesk2OpenCount;
          fesk2OpenAfter = FESK2.isOpen();
          bufferedChildCode = FESK2.buffer().CODE.text();
        },
        {1, 1});
    return result;
  }

  int onChildM3(const std::function<int()>& write) {
    int result = -1;
    outcome = runInProgram(
        [&] {
          openBothAsAProcedure();
          ASSERT_TRUE(readFesk2("M", "3"));
          result = write();
        },
        {1, 1});
    return result;
  }

  void expectOneWarning(const std::string& title, const std::string& text) {
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].request.title, title);
    EXPECT_EQ(outcome.boxes[0].request.text, text);
  }

  void expectNothingWritten() {
    EXPECT_EQ(storedFesk1(), kParents);
    EXPECT_EQ(storedFesk2(), kChildren);
  }

  ProgramOutcome outcome;
  int fesk2CountAfter = -1;
  bool fesk2OpenAfter = true;
  std::string bufferedChildCode;
};

int recodeMToT() {
  FESK1.buffer().CODE = "T";
  return UpdateFesk1Record(false);
}

// ---- Framing ------------------------------------------------------------------------

TEST_F(WriteFailureTest, AnUpdateOfFesk1ThatCannotBeFramedWritesNothing) {
  faults_.failOn(DriverOperation::kBegin, apprt::kAccessDenied);
  EXPECT_EQ(onParentM(recodeMToT), kWriteFailed);
  expectOneWarning("Transaction Framing Error",
                   "Error: (Access Denied (5)) attempting to frame the update transaction on "
                   "fesk1.  Update transaction cancelled.");
  EXPECT_EQ(fesk2CountAfter, 0);
  EXPECT_FALSE(fesk2OpenAfter);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, ADeleteOfFesk1ThatCannotBeFramedWritesNothing) {
  faults_.failOn(DriverOperation::kBegin, apprt::kDriverError);
  EXPECT_EQ(onParentM(DeleteFesk1Record), kWriteFailed);
  expectOneWarning("Transaction Framing Error",
                   "Error: (injected failure (0)) attempting to frame the delete transaction on "
                   "fesk1.  Delete transaction cancelled.");
  EXPECT_EQ(fesk2CountAfter, 0);
  EXPECT_FALSE(fesk2OpenAfter);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, WritesOfFesk2ThatCannotBeFramedWriteNothing) {
  faults_.failOn(DriverOperation::kBegin, apprt::kAccessDenied);
  EXPECT_EQ(onChildM3([] {
              FESK2.buffer().NUMBER = "33";
              return UpdateFesk2Record(false);
            }),
            kWriteFailed);
  expectOneWarning("Transaction Framing Error",
                   "Error: (Access Denied (5)) attempting to frame the update transaction on "
                   "fesk2.  Update transaction cancelled.");
  faults_.failOn(DriverOperation::kBegin, apprt::kAccessDenied);
  EXPECT_EQ(onChildM3(DeleteFesk2Record), kWriteFailed);
  expectOneWarning("Transaction Framing Error",
                   "Error: (Access Denied (5)) attempting to frame the delete transaction on "
                   "fesk2.  Delete transaction cancelled.");
  expectNothingWritten();
}

// ---- Deleting -------------------------------------------------------------------------

TEST_F(WriteFailureTest, AChildThatFailsToDeleteLeavesEveryRecordInPlace) {
  faults_.failOn(DriverOperation::kRemove, apprt::kDriverError, 2);
  EXPECT_EQ(onParentM(DeleteFesk1Record), kWriteFailed);
  expectOneWarning("Delete Operation Error",
                   "An error (injected failure (0)) was experienced when attempting to delete a "
                   "record from the file fesk2.");
  EXPECT_EQ(fesk2CountAfter, 0);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AChildThatCannotBeReadLeavesEveryRecordInPlace) {
  faults_.failOn(DriverOperation::kRead, apprt::kDriverError, 2);
  EXPECT_EQ(onParentM(DeleteFesk1Record, true), kWriteFailed);
  expectOneWarning("Record Retrieval Error",
                   "Error: (injected failure (0)) attempting to access a record from the fesk2 "
                   "file.  Returning to previous window.");
  EXPECT_EQ(fesk2CountAfter, 1);
  EXPECT_TRUE(fesk2OpenAfter);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AParentThatFailsToDeleteKeepsItsChildren) {
  faults_.failOn(DriverOperation::kRemove, apprt::kDriverError, 4);  // after three children
  EXPECT_EQ(onParentM(DeleteFesk1Record), kWriteFailed);
  expectOneWarning("Delete Operation Error",
                   "An error (injected failure (0)) was experienced when attempting to delete a "
                   "record from the file fesk1.");
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AParentGoneSinceItWasChosenIsNotDeletedNorAreChildren) {
  faults_.failOn(DriverOperation::kFetch, apprt::kRecordNotFound);
  EXPECT_EQ(onParentM(DeleteFesk1Record), kWriteFailed);
  expectOneWarning("Record Retrieval Error",
                   "Error: (Record Not Found (35)) attempting to access a record from the fesk1 "
                   "file.  Returning to previous window.");
  EXPECT_EQ(faults_.calls(DriverOperation::kRemove), 0);
  EXPECT_EQ(fesk2CountAfter, 0);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AChildGoneSinceItWasChosenIsReportedAndNothingDeleted) {
  faults_.failOn(DriverOperation::kFetch, apprt::kRecordNotFound, 2);  // after the form's read
  EXPECT_EQ(onChildM3(DeleteFesk2Record), kWriteFailed);
  expectOneWarning("Record Retrieval Error",
                   "Error: (Record Not Found (35)) attempting to access a record from the fesk2 "
                   "file.  Returning to previous window.");
  EXPECT_EQ(faults_.calls(DriverOperation::kRemove), 0);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AChildThatFailsToDeleteOnItsOwnStays) {
  faults_.failOn(DriverOperation::kRemove, apprt::kAccessDenied);
  EXPECT_EQ(onChildM3(DeleteFesk2Record), kWriteFailed);
  expectOneWarning("Delete Operation Error",
                   "An error (Access Denied (5)) was experienced when attempting to delete a "
                   "record from the file fesk2.");
  expectNothingWritten();
}

TEST_F(WriteFailureTest, ADeleteWhoseCommitFailsIsReportedAsFailed) {
  faults_.failOn(DriverOperation::kCommit, apprt::kDriverError);
  EXPECT_EQ(onParentM(DeleteFesk1Record), kWriteFailed);
  expectOneWarning("Delete Operation Error",
                   "An error (injected failure (0)) was experienced when attempting to delete a "
                   "record from the file fesk1.");
  expectNothingWritten();
}

// ---- Updating -------------------------------------------------------------------------

TEST_F(WriteFailureTest, AChildThatFailsToTakeTheNewCodeLeavesEveryRecordInPlace) {
  faults_.failOn(DriverOperation::kPut, apprt::kDriverError, 3);  // parent, child 1, child 2
  EXPECT_EQ(onParentM(recodeMToT), kWriteFailed);
  expectOneWarning("Update Operation Error",
                   "An error (injected failure (0)) was experienced when attempting to update a "
                   "record from the file.  Probable Cause: fesk2.");
  EXPECT_EQ(bufferedChildCode, "T") << "FS2:CODE takes the parent's code after the failure";
  EXPECT_EQ(fesk2CountAfter, 0);
  EXPECT_FALSE(fesk2OpenAfter);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AChildThatCannotBeReadDuringARecodeLeavesEveryRecordInPlace) {
  faults_.failOn(DriverOperation::kRead, apprt::kDriverError, 3);
  EXPECT_EQ(onParentM(recodeMToT), kWriteFailed);
  expectOneWarning("Record Retrieval Error",
                   "Error: (injected failure (0)) attempting to access a record from the fesk2 "
                   "file.  Returning to previous window.");
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AParentThatFailsToWriteNamesFesk1AsTheProbableCause) {
  faults_.failOn(DriverOperation::kPut, apprt::kAccessDenied);
  EXPECT_EQ(onParentM(recodeMToT, true), kWriteFailed);
  expectOneWarning("Update Operation Error",
                   "An error (Access Denied (5)) was experienced when attempting to update a "
                   "record from the file.  Probable Cause: fesk1.");
  EXPECT_EQ(fesk2CountAfter, 1);
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AChildThatFailsToWriteNamesFesk2AsTheProbableCause) {
  faults_.failOn(DriverOperation::kPut, apprt::kAccessDenied);
  EXPECT_EQ(onChildM3([] {
              FESK2.buffer().NUMBER = "33";
              return UpdateFesk2Record(false);
            }),
            kWriteFailed);
  expectOneWarning("Update Operation Error",
                   "An error (Access Denied (5)) was experienced when attempting to update a "
                   "record from the file.  Probable Cause: fesk2.");
  expectNothingWritten();
}

TEST_F(WriteFailureTest, AnUpdateWhoseCommitFailsIsReportedAsFailed) {
  faults_.failOn(DriverOperation::kCommit, apprt::kDriverError);
  EXPECT_EQ(onParentM(recodeMToT), kWriteFailed);
  expectOneWarning("Update Operation Error",
                   "An error (injected failure (0)) was experienced when attempting to update a "
                   "record from the file.  Probable Cause: fesk1.");
  EXPECT_EQ(fesk2CountAfter, 0);
  expectNothingWritten();
}

// A failed roll-back of a failed cascade must not leave the transaction open:
// the next write of the thread frames a new one.
TEST_F(WriteFailureTest, AfterAFailedCascadeTheNextWriteSucceeds) {
  faults_.failOn(DriverOperation::kPut, apprt::kDriverError, 2);
  int second = -1;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk1("M"));
        RememberFesk1Code();
        FESK1.buffer().CODE = "T";
        EXPECT_EQ(UpdateFesk1Record(false), kWriteFailed);
        ASSERT_TRUE(readFesk1("M"));
        RememberFesk1Code();
        FESK1.buffer().CODE = "T";
        second = UpdateFesk1Record(false);
      },
      {1});
  EXPECT_EQ(second, kWriteDone);
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}, {"T", "2"}, {"T", "3"}, {"T", "5"}, {"Z", "4"}}));
}

}  // namespace
}  // namespace fesk::test
