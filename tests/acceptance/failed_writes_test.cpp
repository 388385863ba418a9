// Writes that fail: the forms report them, offer to try again, and either
// write once the store takes it or leave the data as it was.

#include "acceptance_support.h"
#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"
#include "support/file_fault_driver.h"

namespace fesk::test {
namespace {

using apprt::DriverOperation;
using headless::Session;

class FailedWrites : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"A1", "n1"}});
    // A transaction spans files of one driver: both go behind the faults.
    FESK1.bindDriver(faults_);
    FESK2.bindDriver(faults_);
  }
  void TearDown() override {
    FESK1.bindDriver(sqlite::defaultDriver());
    FESK2.bindDriver(sqlite::defaultDriver());
    AcceptanceTest::TearDown();
  }

  static std::vector<std::string> boxTitles(Session& user) {
    std::vector<std::string> titles;
    for (const auto& box : user.frontEnd().messageBoxes()) titles.push_back(box.request.title);
    return titles;
  }

  static void renameFirstRecord(Session& user, const std::string& name) {
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    fill(user, "&name:", name);
  }

  apprt::FaultDriver faults_{sqlite::defaultDriver()};
};

TEST_F(FailedWrites, AChangeThatFailsIsSavedWhenTheUserTriesAgain) {
  faults_.failOn(DriverOperation::kPut, apprt::kDriverError);
  const int exitCode = runProgram([&](Session& user) {
    renameFirstRecord(user, "Again");
    user.answer(apprt::kButtonOk);   // the failure
    user.answer(apprt::kButtonYes);  // try again
    user.click("OK");
    EXPECT_EQ(boxTitles(user),
              (std::vector<std::string>{"Update Operation Error", "Record Update Error"}));
    EXPECT_EQ(user.current().title, kBrowseTitle);
    EXPECT_EQ(rowsOf(user.current(), 1).front(), (Records::value_type{"A1", "Again"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Again"}, {"B2", "Bravo"}}));
}

TEST_F(FailedWrites, AChangeThatFailsIsDroppedWithNoAndKeptOpenWithCancel) {
  faults_.failOn(DriverOperation::kPut, apprt::kDriverError, 1, false);
  const int exitCode = runProgram([&](Session& user) {
    renameFirstRecord(user, "Never");
    user.answer(apprt::kButtonOk);
    user.answer(apprt::kButtonCancel);  // stay in the form
    user.click("OK");
    auto form = user.current();
    ASSERT_EQ(form.title, kChangeFesk1Title);
    EXPECT_EQ(control(form, 5).text, "Never");
    EXPECT_TRUE(form.focus == 2 || form.focus == 3) << form.focus;

    user.answer(apprt::kButtonOk);
    user.answer(apprt::kButtonNo);  // give up: the form closes
    user.click("OK");
    EXPECT_EQ(user.current().title, kBrowseTitle);
    EXPECT_EQ(rowsOf(user.current(), 1).front(), (Records::value_type{"A1", "Alpha"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
}

TEST_F(FailedWrites, ADeleteThatFailsIsDoneWhenTheUserTriesAgain) {
  faults_.failOn(DriverOperation::kRemove, apprt::kDriverError);
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(1);
    user.answer(apprt::kButtonOk);   // confirm
    user.answer(apprt::kButtonOk);   // the failure
    user.answer(apprt::kButtonYes);  // try again
    user.click("&Delete");
    EXPECT_EQ(boxTitles(user), (std::vector<std::string>{"Confirm Delete", "Delete Operation Error",
                                                         "Record Update Error"}));
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"B2"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}}));
  EXPECT_TRUE(storedFesk2().empty());
}

TEST_F(FailedWrites, AnInsertThatFailsKeepsTheFormOpenOnTheCode) {
  faults_.failOn(DriverOperation::kAdd, apprt::kDriverError);
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&code:", "C3");
    fill(user, "&name:", "Charlie");
    user.answer(apprt::kButtonOk);
    user.click("OK");
    EXPECT_EQ(boxTitles(user), (std::vector<std::string>{"Record Insert Error"}));
    const auto form = user.current();
    ASSERT_EQ(form.title, kAddFesk1Title);
    EXPECT_TRUE(form.focus == 2 || form.focus == 3) << form.focus;

    user.click("OK");  // the store takes it now
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"A1", "B2", "C3"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
}

}  // namespace
}  // namespace fesk::test
