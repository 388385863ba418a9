// What happens to a row being edited in place when the window is closed,
// resized, or another of its controls is used.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;
constexpr int kInLineButton = 7;

class InLineWindowEvents : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  }
  // Opens the browse and types `name` into row 2's name cell.
  static void typeNameOfRow2(Session& user, const std::string& name) {
    user.menu("&fesk");
    user.row(2);
    user.key("Enter");
    user.key("Tab");
    user.type(name);
  }
};

TEST_F(InLineWindowEvents, TheCloseBoxAsksAboutTheRowThenCloses) {
  const int exitCode = runProgram([&](Session& user) {
    typeNameOfRow2(user, "Beta");
    user.answer(apprt::kButtonYes);
    user.close();
    ASSERT_EQ(user.frontEnd().messageBoxes().size(), 1u);
    EXPECT_FALSE(user.window(kBrowseTitle).has_value()) << "saved, then closed";
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}}));
}

TEST_F(InLineWindowEvents, CancellingTheQuestionOfACloseKeepsTheWindowAndTheCell) {
  const int exitCode = runProgram([&](Session& user) {
    typeNameOfRow2(user, "Beta");
    user.answer(apprt::kButtonCancel);
    user.close();
    auto browse = user.current();
    ASSERT_EQ(browse.title, kBrowseTitle) << "the close was forgotten";
    EXPECT_EQ(browse.focus, kNameEdit);
    EXPECT_EQ(control(browse, kNameEdit).text, "Beta");
    user.key("Ctrl+Enter");
    browse = user.current();
    EXPECT_EQ(browse.title, kBrowseTitle) << "completing the row does not close it later";
    EXPECT_EQ(rowsOf(browse, 1)[1], (std::pair<std::string, std::string>{"B2", "Beta"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}}));
}

// Resizing the window must not throw away what was typed.
TEST_F(InLineWindowEvents, ResizingCompletesTheRowInsteadOfDroppingIt) {
  const int exitCode = runProgram([&](Session& user) {
    typeNameOfRow2(user, "Beta");
    user.resize();
    const auto browse = user.current();
    EXPECT_EQ(browse.title, kBrowseTitle);
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
    EXPECT_EQ(rowsOf(browse, 1)[1], (std::pair<std::string, std::string>{"B2", "Beta"}));
    EXPECT_TRUE(control(browse, kCodeEdit).hidden);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}}));
}

// Another button takes the focus: the row is completed first, then the
// button is pressed as the user asked.
TEST_F(InLineWindowEvents, AnotherButtonIsPressedOnceTheRowIsSaved) {
  const int exitCode = runProgram([&](Session& user) {
    typeNameOfRow2(user, "Beta");
    user.click("InLine On");
    const auto browse = user.current();
    EXPECT_EQ(control(browse, kInLineButton).text, "InLine Off");
    EXPECT_EQ(rowsOf(browse, 1)[1], (std::pair<std::string, std::string>{"B2", "Beta"}));
    EXPECT_EQ(control(browse, kNameEdit).overList, 0);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}}));
}

}  // namespace
}  // namespace fesk::test
