// Changing FESK1 records in place: completing the row, leaving it with Esc,
// moving between its cells, and what the list refuses meanwhile.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

class InLineChange : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}});
  }
};

// Opens the browse and starts changing row `row`'s name: Enter, then Tab.
void changeNameOfRow(Session& user, int row) {
  user.menu("&fesk");
  user.row(row);
  user.key("Enter");
  ASSERT_EQ(user.current().focus, kCodeEdit);
  user.key("Tab");
  ASSERT_EQ(user.current().focus, kNameEdit);
}

TEST_F(InLineChange, CtrlEnterSavesTheChangedRow) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    user.key("Enter");
    auto browse = user.current();
    EXPECT_EQ(control(browse, kCodeEdit).text, "B2") << "the cells show the selected record";
    EXPECT_EQ(control(browse, kNameEdit).text, "Bravo");
    EXPECT_EQ(control(browse, kNameEdit).overColumn, 2);
    user.key("Tab");
    user.type("Beta");
    user.key("Ctrl+Enter");
    browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"A1", "Alpha"}, {"B2", "Beta"}, {"C3", "Charlie"}}));
    EXPECT_EQ(selectedCode(browse), "B2");
    EXPECT_EQ(browse.focus, 1);
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}, {"C3", "Charlie"}}));
}

TEST_F(InLineChange, EscOnAChangedRowAnsweredYesSavesIt) {
  const int exitCode = runProgram([&](Session& user) {
    changeNameOfRow(user, 2);
    user.type("Beta");
    user.answer(apprt::kButtonYes);
    user.key("Esc");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].request.text.find("Do you want to save the changes to this record?"),
              std::string::npos);
    EXPECT_EQ(rowsOf(user.current(), 1)[1], (std::pair<std::string, std::string>{"B2", "Beta"}));
    EXPECT_EQ(user.current().title, kBrowseTitle) << "Esc in the row does not close the window";
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Beta"}, {"C3", "Charlie"}}));
}

TEST_F(InLineChange, EscOnAChangedRowAnsweredNoLeavesItAsStored) {
  const int exitCode = runProgram([&](Session& user) {
    changeNameOfRow(user, 2);
    user.type("Beta");
    user.answer(apprt::kButtonNo);
    user.key("Esc");
    const auto browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
    EXPECT_EQ(browse.focus, 1);
    EXPECT_TRUE(control(browse, kNameEdit).hidden);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
}

TEST_F(InLineChange, EscAnsweredCancelGoesOnEditingInTheSameCell) {
  const int exitCode = runProgram([&](Session& user) {
    changeNameOfRow(user, 2);
    user.type("Beta");
    user.answer(apprt::kButtonCancel);
    user.key("Esc");
    auto browse = user.current();
    EXPECT_EQ(browse.focus, kNameEdit);
    EXPECT_EQ(control(browse, kNameEdit).text, "Beta");
    EXPECT_EQ(control(browse, kNameEdit).overColumn, 2);
    EXPECT_EQ(selectedCode(browse), "B2");
    user.type("Bravissimo");
    user.key("Ctrl+Enter");
    EXPECT_EQ(rowsOf(user.current(), 1)[1],
              (std::pair<std::string, std::string>{"B2", "Bravissimo"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravissimo"}, {"C3", "Charlie"}}));
}

TEST_F(InLineChange, TabAndShiftTabMoveBetweenTheCellsAndOutToTheList) {
  const int exitCode = runProgram([&](Session& user) {
    changeNameOfRow(user, 1);
    user.key("Shift+Tab");
    EXPECT_EQ(user.current().focus, kCodeEdit);
    user.key("Shift+Tab");
    auto browse = user.current();
    EXPECT_EQ(browse.focus, 1) << "Shift+Tab on the first cell leaves for the list";
    EXPECT_TRUE(control(browse, kCodeEdit).hidden);

    user.key("Enter");
    EXPECT_EQ(user.current().focus, kCodeEdit) << "a second edit reuses the controls";
    user.key("Tab");
    user.type("Alfa");
    user.key("Tab");
    browse = user.current();
    EXPECT_EQ(browse.focus, 1) << "Tab on the last cell leaves for the list";
    EXPECT_EQ(rowsOf(browse, 1)[0], (std::pair<std::string, std::string>{"A1", "Alfa"}))
        << "and completes the row";
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alfa"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
}

TEST_F(InLineChange, ClickingCloseWhileEditingCompletesTheRowThenCloses) {
  const int exitCode = runProgram([&](Session& user) {
    changeNameOfRow(user, 3);
    user.type("Chuck");
    user.click("Close");
    EXPECT_FALSE(user.window(kBrowseTitle).has_value()) << "the browse closed";
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Chuck"}}));
}

class InLinePaging : public AcceptanceTest {};

TEST_F(InLinePaging, PageDownWhileEditingIsRefusedWithABeepAndTheListStays) {
  Records many;
  for (int i = 10; i < 50; ++i) many.push_back({"K" + std::to_string(i), "Name"});
  seed(many);
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    const auto before = user.current();
    user.key("Enter");
    const int beeps = user.frontEnd().beeps();
    user.key("PgDn");
    const auto browse = user.current();
    EXPECT_EQ(user.frontEnd().beeps(), beeps + 1);
    EXPECT_EQ(codesOf(browse), codesOf(before)) << "the page did not move";
    EXPECT_EQ(control(browse, 1).thumb, control(before, 1).thumb);
    EXPECT_EQ(selectedCode(browse), "K11");
    EXPECT_EQ(browse.focus, kCodeEdit) << "the edit goes on";
    EXPECT_EQ(control(browse, kCodeEdit).overList, 1);
    user.key("Esc");
    user.key("PgDn");
    EXPECT_EQ(user.current().focus, 1);
    EXPECT_NE(selectedCode(user.current()), "K11") << "after the edit the list pages again";
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), many);
}

}  // namespace
}  // namespace fesk::test
