// The fault driver fails exactly the calls it is told to and lets every other
// call through to the real driver.
#include "support/file_fault_driver.h"

#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::DriverOperation;
using apprt::ERRCODE;

class FileFaultDriverTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    closeTestFiles();
    CODES.bindDriver(faults_);
    ITEMS.bindDriver(faults_);
    openTestFiles();
    for (const char* code : {"A", "B", "C"}) addCode(code, "name");
  }
  void TearDown() override {
    closeTestFiles();
    CODES.bindDriver(dataSet_.driver());
    ITEMS.bindDriver(dataSet_.driver());
  }
  void renameEach(std::vector<int>& codes) {
    CODES.setOnKey(CODE_KEY);
    for (CODES.next(); ERRCODE() == 0; CODES.next()) {
      CODES.buffer().NAME = "renamed";
      CODES.put();
      codes.push_back(ERRCODE());
      if (ERRCODE() != 0) failedDriverCode = apprt::FILEERRORCODE();
    }
  }

  std::string failedDriverCode;
  apprt::FaultDriver faults_{dataSet_.driver()};
};

TEST_P(FileFaultDriverTest, TheNthCallFailsOnceAndWritesNothing) {
  faults_.failOn(DriverOperation::kPut, apprt::kDriverError, 2);
  std::vector<int> codes;
  renameEach(codes);
  EXPECT_EQ(codes, (std::vector<int>{0, apprt::kDriverError, 0}));
  EXPECT_EQ(failedDriverCode, "fault");
  EXPECT_EQ(readAll(CODE_KEY), (std::vector<std::string>{"A/renamed", "B/name", "C/renamed"}));
}

TEST_P(FileFaultDriverTest, FromTheNthCallOnEveryCallFails) {
  faults_.failOn(DriverOperation::kPut, apprt::kChangedByOtherStation, 2, false);
  std::vector<int> codes;
  renameEach(codes);
  EXPECT_EQ(codes, (std::vector<int>{0, 89, 89}));
  faults_.clearFaults();
  CODES.put();
  EXPECT_EQ(ERRCODE(), 0);
}

TEST_P(FileFaultDriverTest, AFailedCommitLeavesNothingOfTheTransaction) {
  apprt::beginTransaction(2, {&CODES, &ITEMS});
  addCode("D");
  addItem("D", "1");
  faults_.failOn(DriverOperation::kCommit, apprt::kDriverError);
  apprt::commitTransaction();
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_EQ(readAll(CODE_KEY).size(), 3u);
  ITEMS.setOnKey(ITEM_KEY);
  ITEMS.next();
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords);
  apprt::beginTransaction(2, {&CODES});
  EXPECT_EQ(ERRCODE(), 0) << "no transaction was left behind";
  apprt::rollbackTransaction();
}

TEST_P(FileFaultDriverTest, OpenFailuresReachTheCallerAndCallsAreCounted) {
  closeTestFiles();
  faults_.failOn(DriverOperation::kOpen, apprt::kNeedsRecovery);
  const int before = faults_.calls(DriverOperation::kOpen);
  CODES.open(apprt::kOpenSharedReadWrite);
  EXPECT_EQ(ERRCODE(), apprt::kNeedsRecovery);
  EXPECT_FALSE(CODES.isOpen());
  CODES.open(apprt::kOpenSharedReadWrite);
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(faults_.calls(DriverOperation::kOpen), before + 2);
}

// The fault driver is what these tests are about; one driver behind it will do.
INSTANTIATE_TEST_SUITE_P(Sqlite, FileFaultDriverTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
