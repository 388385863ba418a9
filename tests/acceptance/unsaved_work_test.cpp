// Typing that is not saved yet: the program does not end over it without
// asking, and an entry takes no more than its field stores.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kNameEntry = 5;   // the FESK1 form's name
constexpr int kNameEdit = 202;  // the in-line row's name cell

class UnsavedWork : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  }
  // The question that Exit asked, or "" when it asked none.
  static std::string exitQuestion(Session& user) {
    for (const auto& box : user.frontEnd().messageBoxes())
      if (box.request.title == "Changes Not Saved") return box.request.text;
    return "";
  }
};

TEST_F(UnsavedWork, ExitOverAFilledFormAsksAndCancelKeepsEverythingOpen) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&code:", "N1");
    fill(user, "&name:", "Typed, not saved");
    const int form = user.current().handle;
    openBrowseWithForms(user);  // another browse in front of the form
    user.answer(apprt::kButtonCancel);
    user.menu("E&xit");
    EXPECT_FALSE(user.ended());
    EXPECT_EQ(exitQuestion(user), "1 window holds changes that are not saved. Exit anyway?");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().request.okText, "Exit anyway");
    EXPECT_EQ(boxes.back().request.defaultButton, apprt::kButtonCancel);
    EXPECT_EQ(user.current().handle, form);
    EXPECT_EQ(control(user.current(), kNameEntry).text, "Typed, not saved");

    user.answer(apprt::kButtonOk);
    user.menu("E&xit");
    EXPECT_TRUE(user.ended());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(transcriptHas("window brought to the front: \"" + kAddFesk1Title + "\""));
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
}

// Cancel goes back to the first of the windows that hold typing, by the
// order they were opened in, not to the one worked in last.
TEST_F(UnsavedWork, CancelAtExitBringsTheFirstOpenedWindowWithTypingToTheFront) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&name:", "First");
    const int first = user.current().handle;
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&name:", "Second");
    user.answer(apprt::kButtonCancel);
    user.menu("E&xit");
    EXPECT_EQ(exitQuestion(user), "2 windows hold changes that are not saved. Exit anyway?");
    EXPECT_EQ(user.current().handle, first);
    EXPECT_EQ(control(user.current(), kNameEntry).text, "First");
    user.answer(apprt::kButtonOk);
    user.menu("E&xit");
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(UnsavedWork, ExitCountsEveryWindowWithTypingAndNoneWithout) {
  const int exitCode = runProgram([&](Session& user) {
    // An in-line row typed into, a form typed into, a form only opened.
    user.menu("&fesk");
    user.row(2);
    user.key("Enter");
    user.key("Tab");
    ASSERT_EQ(user.current().focus, kNameEdit);
    user.type("Beta");
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    fill(user, "&name:", "Changed");
    openBrowseWithForms(user);
    user.click("&Insert");
    user.answer(apprt::kButtonOk);
    user.menu("E&xit");
    EXPECT_EQ(exitQuestion(user), "2 windows hold changes that are not saved. Exit anyway?");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
}

TEST_F(UnsavedWork, ASavedRowOrAClosedFormLeavesNothingToAskAbout) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    user.key("Enter");
    user.key("Tab");
    user.type("Beta");
    user.key("Ctrl+Enter");
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&name:", "Dropped");
    user.click("Cancel");  // closes at once, asking nothing
    EXPECT_EQ(user.current().title, kBrowseTitle);
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
    user.menu("E&xit");
    EXPECT_TRUE(user.ended());
    EXPECT_EQ(exitQuestion(user), "");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}}));
}

TEST_F(UnsavedWork, AnEntryTakesNoMoreCharactersThanItsFieldStores) {
  const std::string accented20 = "ÀÉÎÕÜàéîõüÀÉÎÕÜàéîõü";
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&code:", "N1");
    const int beepsBefore = user.frontEnd().beeps();
    fill(user, "&name:", "abcdefghijklmnopqrstuvwxyz!");  // 27 characters
    EXPECT_GT(user.frontEnd().beeps(), beepsBefore) << "the characters past the field are refused";
    EXPECT_EQ(control(user.current(), kNameEntry).text, "abcdefghijklmnopqrst");
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle) << "what is shown is accepted as it stands";

    user.click("&Insert");
    fill(user, "&code:", "N2");
    fill(user, "&name:", accented20 + "é");
    EXPECT_EQ(control(user.current(), kNameEntry).text, accented20);
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(
      storedFesk1(),
      (Records{
          {"A1", "Alpha"}, {"B2", "Bravo"}, {"N1", "abcdefghijklmnopqrst"}, {"N2", accented20}}));
}

}  // namespace
}  // namespace fesk::test
