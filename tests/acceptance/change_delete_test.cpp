// Changing and deleting FESK1 records through the form, with their FESK2
// records following, and maintaining the FESK2 records from the form.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class ChangeAndDelete : public EveryDriverAcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}},
         {{"A1", "n1"}, {"A1", "n2"}, {"B2", "m1"}});
  }

  // Opens the form of the record on `row` to change it.
  static void changeRow(Session& user, int row) {
    user.row(row);
    user.click("&Change");
    ASSERT_EQ(user.current().title, kChangeFesk1Title);
  }
};

TEST_P(ChangeAndDelete, TheFormShowsTheRecordAndOnlyItsOwnFesk2Records) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    changeRow(user, 1);
    auto form = user.current();
    EXPECT_EQ(control(form, 3).text, "A1");
    EXPECT_EQ(control(form, 5).text, "Alpha");
    user.tab("fesk2");
    form = user.current();
    EXPECT_EQ(rowsOf(form, 6), (Records{{"A1", "n1"}, {"A1", "n2"}}));
    EXPECT_TRUE(control(form, 8).enabled) << "child Change";
    user.click("Cancel");

    changeRow(user, 3);
    user.tab("fesk2");
    form = user.current();
    EXPECT_TRUE(control(form, 6).rows.empty()) << "C3 has no FESK2 records";
    EXPECT_FALSE(control(form, 8).enabled) << "child Change on an empty list";
    EXPECT_FALSE(control(form, 9).enabled) << "child Delete on an empty list";
    user.click("OK");  // nothing edited: completes without writing
    EXPECT_EQ(user.current().title, kBrowseTitle);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
}

TEST_P(ChangeAndDelete, ANewCodeIsCarriedOverToTheFesk2Records) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    changeRow(user, 1);
    fill(user, "&code:", "D4");
    fill(user, "&name:", "Delta");
    user.click("OK");
    auto browse = user.current();
    ASSERT_EQ(browse.title, kBrowseTitle);
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"B2", "Bravo"}, {"C3", "Charlie"}, {"D4", "Delta"}}));
    EXPECT_EQ(selectedCode(browse), "D4") << "the list follows the changed record";

    changeRow(user, 3);
    user.tab("fesk2");
    EXPECT_EQ(rowsOf(user.current(), 6), (Records{{"D4", "n1"}, {"D4", "n2"}}));
    user.click("Cancel");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}, {"C3", "Charlie"}, {"D4", "Delta"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"B2", "m1"}, {"D4", "n1"}, {"D4", "n2"}}));
}

TEST_P(ChangeAndDelete, DeletingARecordAfterConfirmingDeletesItsFesk2Records) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(1);
    user.answer(apprt::kButtonCancel);
    user.click("&Delete");
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"A1", "B2", "C3"}))
        << "not confirmed: nothing deleted";

    user.answer(apprt::kButtonOk);
    user.click("&Delete");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].request.title, "Confirm Delete");
    auto browse = user.current();
    EXPECT_EQ(browse.title, kBrowseTitle) << "a delete shows no form";
    EXPECT_EQ(codesOf(browse), (std::vector<std::string>{"B2", "C3"}));
    EXPECT_EQ(selectedCode(browse), "B2");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}, {"C3", "Charlie"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"B2", "m1"}}));
}

TEST_P(ChangeAndDelete, Fesk2RecordsAreInsertedChangedAndDeletedFromTheForm) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    changeRow(user, 3);
    user.tab("fesk2");

    user.click("&Insert");
    auto child = user.current();
    EXPECT_EQ(child.title, kAddFesk2Title);
    EXPECT_EQ(control(child, 3).text, "C3") << "the code comes from the FESK1 record";
    fill(user, "&Number:", "k1");
    user.click("OK");
    user.click("&Insert");
    fill(user, "&Number:", "k2");
    user.click("OK");
    EXPECT_EQ(rowsOf(user.current(), 6), (Records{{"C3", "k1"}, {"C3", "k2"}}));

    user.row(1);
    user.click("&Change");
    child = user.current();
    EXPECT_EQ(child.title, kChangeFesk2Title);
    EXPECT_EQ(control(child, 5).text, "k1");
    fill(user, "&Number:", "k1b");
    user.click("OK");
    EXPECT_EQ(rowsOf(user.current(), 6), (Records{{"C3", "k1b"}, {"C3", "k2"}}));

    user.row(2);
    user.answer(apprt::kButtonOk);
    user.click("&Delete");
    EXPECT_EQ(rowsOf(user.current(), 6), (Records{{"C3", "k1b"}}));
    user.click("Cancel");  // the FESK2 records were written as they were made
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A1", "n1"}, {"A1", "n2"}, {"B2", "m1"}, {"C3", "k1b"}}));
}

INSTANTIATE_TEST_SUITE_P(Drivers, ChangeAndDelete, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
