// Inserting FESK1 records through the form, including a code that exists.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class Insert : public AcceptanceTest {};

void insertThroughForm(Session& user, const std::string& code, const std::string& name) {
  user.click("&Insert");
  ASSERT_EQ(user.current().title, kAddFesk1Title);
  fill(user, "&code:", code);
  fill(user, "&name:", name);
  user.click("OK");
}

TEST_F(Insert, ThreeRecordsThroughTheFormAppearInCodeOrder) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    insertThroughForm(user, "M5", "Mike");
    auto browse = user.current();
    ASSERT_EQ(browse.title, kBrowseTitle) << "the form closed after OK";
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"M5", "Mike"}}));
    EXPECT_TRUE(control(browse, 5).enabled) << "Change, once the list has a row";
    EXPECT_TRUE(control(browse, 6).enabled) << "Delete, once the list has a row";

    insertThroughForm(user, "B2", "Bravo");
    insertThroughForm(user, "X9", "X-ray");
    browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"B2", "Bravo"}, {"M5", "Mike"}, {"X9", "X-ray"}}));
    EXPECT_EQ(selectedCode(browse), "X9") << "the list stands on the record just added";
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}, {"M5", "Mike"}, {"X9", "X-ray"}}));
  EXPECT_TRUE(storedFesk2().empty());
}

TEST_F(Insert, TheFormShowsItsRequestAndCancelAddsNothing) {
  seed({{"A1", "Alpha"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    const auto form = user.current();
    EXPECT_EQ(form.title, kAddFesk1Title);
    EXPECT_EQ(control(form, 3).text, "") << "an insert starts from a cleared record";
    EXPECT_EQ(control(form, 5).text, "");
    fill(user, "&code:", "Z1");
    user.click("Cancel");
    EXPECT_EQ(user.current().title, kBrowseTitle);
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"A1"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}}));
}

TEST_F(Insert, ADuplicateCodeIsReportedAndTheFormStaysOpenOnTheCode) {
  seed({{"A1", "Alpha"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.answer(apprt::kButtonOk);
    insertThroughForm(user, "a1", "Another");  // codes compare without regard to case

    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].request.title, "Duplicate Key Error");
    EXPECT_EQ(boxes[0].request.text,
              "Adding this record creates a duplicate entry for the key:FES:Keycode");
    auto form = user.current();
    ASSERT_EQ(form.title, kAddFesk1Title);
    EXPECT_EQ(control(form, 3).text, "a1");
    EXPECT_EQ(control(form, 5).text, "Another");
    // The focus is sent to the code's prompt, which hands it to the code entry.
    EXPECT_TRUE(form.focus == 2 || form.focus == 3) << form.focus;

    fill(user, "&code:", "A2");
    user.click("OK");
    EXPECT_EQ(user.current().title, kBrowseTitle);
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"A1", "A2"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"A2", "Another"}}));
}

TEST_F(Insert, ACodeStopsAtItsFieldsLengthAndCancelStillCloses) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    const int beepsBefore = user.frontEnd().beeps();
    fill(user, "&code:", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_GT(user.frontEnd().beeps(), beepsBefore) << "the letters past the field are refused";
    EXPECT_EQ(control(user.current(), 3).text, "ABCDEFGHIJKLMNOPQRST");
    user.click("Cancel");
    EXPECT_EQ(user.current().title, kBrowseTitle) << "Cancel closes the form, asking nothing";
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(storedFesk1().empty());
}

}  // namespace
}  // namespace fesk::test
