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
    user.row(1);
    user.key("Enter");
    user.key("Tab");
    user.type("Alfa");

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

}  // namespace
}  // namespace fesk::test
