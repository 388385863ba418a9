// Reads that fail with the driver's own error: the user is told the driver's
// words, never that a record was deleted, the list keeps its rows, and trying
// again reads once the store answers.

#include "acceptance_support.h"
#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"
#include "support/file_fault_driver.h"

namespace fesk::test {
namespace {

using apprt::DriverOperation;
using headless::Session;

class FailedReads : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    Records codes;
    for (int i = 1; i <= 40; ++i) codes.emplace_back(numbered('C', i), "name");
    seed(codes);
    FESK1.bindDriver(faults_);
    FESK2.bindDriver(faults_);
  }
  void TearDown() override {
    FESK1.bindDriver(sqlite::defaultDriver());
    FESK2.bindDriver(sqlite::defaultDriver());
    AcceptanceTest::TearDown();
  }

  apprt::FaultDriver faults_{sqlite::defaultDriver()};
};

TEST_F(FailedReads, AChangeWhoseRecordCannotBeReadSaysWhyAndRetryReadsIt) {
  runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(3);
    faults_.failOn(DriverOperation::kRead, apprt::kDriverError);
    user.answer(apprt::kButtonRetry);
    user.click("&Change");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].request.text, "injected failure") << "the driver's words";
    EXPECT_EQ(boxes[0].request.title, "Database Error");
    EXPECT_EQ(boxes[0].request.buttons, apprt::kButtonRetry + apprt::kButtonCancel);
    ASSERT_EQ(user.current().title, kChangeFesk1Title) << "Retry read the record";
    EXPECT_EQ(control(user.current(), 3).text, "C003");
  });
}

TEST_F(FailedReads, APageThatCannotBeReadLeavesTheRowsShown) {
  runProgram([&](Session& user) {
    openBrowseWithForms(user);
    const auto firstPage = codesOf(user.current());
    faults_.failOn(DriverOperation::kRead, apprt::kDriverError);
    user.answer(apprt::kButtonOk);
    user.key("Ctrl+PgDn");
    EXPECT_EQ(codesOf(user.current()), firstPage);
    ASSERT_EQ(user.frontEnd().messageBoxes().size(), 1u);
    EXPECT_EQ(user.frontEnd().messageBoxes()[0].request.text, "injected failure");
    user.key("Ctrl+PgDn");
    EXPECT_EQ(codesOf(user.current()).back(), "C040") << "the next gesture reads again";
  });
}

TEST_F(FailedReads, AHistoryWhoseFesk2RecordsCannotBeReadIsToldNotShownInPart) {
  FESK1.bindDriver(sqlite::defaultDriver());  // its history is read through the store's own
  runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(1);
    faults_.failOn(DriverOperation::kRead, apprt::kDriverError);
    user.answer(apprt::kButtonOk);
    user.key("F7");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].request.title, "Record Retrieval Error");
    EXPECT_NE(boxes[0].request.text.find("injected failure"), std::string::npos)
        << boxes[0].request.text;
    EXPECT_NE(boxes[0].request.text.find("fesk2"), std::string::npos) << boxes[0].request.text;
    EXPECT_EQ(user.current().title, kBrowseTitle) << "no history without the fesk2 records'";
    user.key("F7");
    EXPECT_EQ(user.current().title, "History of the fesk1 record \"C001\"")
        << "the next request reads again";
    user.close();
  });
}

}  // namespace
}  // namespace fesk::test
