// One in-line edit at a time in the program: a second browse that wants one
// waits, without holding up the first, and starts when the first is done.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

class InLineTwoWindows : public AcceptanceTest {};

TEST_F(InLineTwoWindows, ASecondEditWaitsForTheFirstAndThenRuns) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    const int first = user.current().handle;
    typeNameInRow(user, 1, "Alfa");

    user.menu("&fesk");
    const int second = user.current().handle;
    ASSERT_NE(second, first);
    user.key("Ins");
    auto waiting = windowWithHandle(user, second);
    EXPECT_TRUE(waiting.control(kCodeEdit) == nullptr || control(waiting, kCodeEdit).overList == 0)
        << "the second edit has not started";
    auto editing = windowWithHandle(user, first);
    EXPECT_EQ(control(editing, kNameEdit).overList, 1) << "the first edit goes on";
    EXPECT_EQ(control(editing, kNameEdit).text, "Alfa") << "with what was typed";

    user.useWindow(first);
    EXPECT_EQ(user.current().focus, kNameEdit);
    user.key("Ctrl+Enter");
    EXPECT_EQ(rowsOf(windowWithHandle(user, first), 1), (Records{{"A1", "Alfa"}, {"B2", "Bravo"}}));

    user.useWindow(second);
    const auto started = user.current();
    EXPECT_EQ(control(started, kCodeEdit).overList, 1) << "the second edit runs now";
    EXPECT_EQ(started.focus, kCodeEdit);
    user.type("C3");
    user.key("Tab");
    user.type("Charlie");
    user.key("Ctrl+Enter");
    EXPECT_EQ(selectedCode(user.current()), "C3");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alfa"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
}

// Another browse changes the record, code and all, while it is edited in
// place here: the save is refused and, taken, the row shows the stored version; a
// new code typed then carries along the FESK2 records of the stored code.
TEST_F(InLineTwoWindows, AChangeElsewhereIsReportedAndEditingGoesOnFromTheStoredVersion) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"A1", "n1"}});
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    const int first = user.current().handle;
    typeNameInRow(user, 1, "Mine");

    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    fill(user, "&code:", "A7");
    fill(user, "&name:", "Elsewhere");
    user.click("OK");

    user.useWindow(first);
    user.answer(apprt::kButtonOk);  // changed by another station
    user.key("Ctrl+Enter");
    user.useWindow("Record Changed by Another Station");
    user.key("Alt+T");  // take their version: back to the row, showing it
    user.useWindow(first);
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].request.text, "This record was changed by another station.");
    auto browse = windowWithHandle(user, first);
    EXPECT_EQ(browse.focus, kNameEdit);
    EXPECT_EQ(control(browse, kCodeEdit).text, "A7") << "the stored version is shown";
    EXPECT_EQ(control(browse, kNameEdit).text, "Elsewhere");

    user.key("Shift+Tab");
    user.type("A8");
    user.key("Ctrl+Enter");
    EXPECT_EQ(codesOf(windowWithHandle(user, first)), (std::vector<std::string>{"A8", "B2"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A8", "Elsewhere"}, {"B2", "Bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A8", "n1"}})) << "the children followed the new code";
}

}  // namespace
}  // namespace fesk::test
