// Two browse threads change the same record: the one that saves second is
// told, and taking the other one's version, its form shows it.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class ConcurrentChange : public EveryDriverAcceptanceTest {};

TEST_P(ConcurrentChange, TheSecondSaveIsReportedAndShowsTheOtherVersion) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"A1", "n1"}});
  const int exitCode = runProgram([&](Session& user) {
    // The first browse opens A1's form and leaves it open.
    openBrowseWithForms(user);
    const int firstBrowse = user.current().handle;
    user.row(1);
    user.click("&Change");
    const int firstForm = user.current().handle;

    // Meanwhile a second browse changes A1's name and code.
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    ASSERT_NE(user.current().handle, firstForm);
    fill(user, "&code:", "A7");
    fill(user, "&name:", "Changed elsewhere");
    user.click("OK");
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"A7", "B2"}));

    // Back in the first form, which still shows the old version.
    user.useWindow(kChangeFesk1Title);
    ASSERT_EQ(user.current().handle, firstForm);
    EXPECT_EQ(control(user.current(), 5).text, "Alpha");
    fill(user, "&name:", "Mine");
    user.answer(apprt::kButtonOk);
    user.click("OK");

    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].request.title, "Update Operation Error");
    EXPECT_EQ(boxes[0].request.text, "This record was changed by another station.");
    // The user takes the other station's version.
    user.useWindow("Record Changed by Another Station");
    user.key("Alt+T");
    user.useWindow(firstForm);
    auto form = user.current();
    ASSERT_EQ(form.handle, firstForm) << "the form stays open";
    EXPECT_EQ(control(form, 3).text, "A7");
    EXPECT_EQ(control(form, 5).text, "Changed elsewhere");

    // Going on from the version shown: a new code now takes along the FESK2
    // records that the other browse moved to A7.
    fill(user, "&code:", "A8");
    user.click("OK");
    EXPECT_FALSE(user.window(kChangeFesk1Title));
    EXPECT_EQ(codesOf(windowWithHandle(user, firstBrowse)), (std::vector<std::string>{"A8", "B2"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A8", "Changed elsewhere"}, {"B2", "Bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A8", "n1"}}));
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConcurrentChange, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
