// Inserting FESK1 records in place, in the browse list's own row.

#include "acceptance_support.h"
#include "ui/headless/transcript.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;
constexpr int kSheet = 2;

class InLineInsert : public AcceptanceTest {};

void openBrowse(Session& user) {
  user.menu("&fesk");
  ASSERT_EQ(user.current().title, kBrowseTitle);
  ASSERT_EQ(control(user.current(), 7).text, "InLine On");
}

TEST_F(InLineInsert, CodeTabNameCtrlEnterStoresTheRecordAndSelectsIt) {
  seed({{"B2", "Bravo"}, {"M5", "Mike"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowse(user);
    user.key("Ins");
    auto browse = user.current();
    EXPECT_EQ(browse.focus, kCodeEdit) << "the code cell has the focus";
    EXPECT_EQ(control(browse, kCodeEdit).overList, 1);
    EXPECT_EQ(control(browse, kCodeEdit).overColumn, 1);
    EXPECT_EQ(control(browse, kNameEdit).overColumn, 2);
    EXPECT_FALSE(control(browse, kCodeEdit).hidden);
    EXPECT_FALSE(control(browse, kSheet).enabled) << "no other order while a row is edited";
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"", ""}, {"B2", "Bravo"}, {"M5", "Mike"}}))
        << "a blank row stands at the top";
    user.type("K3");
    user.key("Tab");
    EXPECT_EQ(user.current().focus, kNameEdit);
    user.type("Kilo");
    // What a script's "show" prints: the cells being edited, over their columns.
    const std::string shown = headless::describeWindow(user.current());
    EXPECT_NE(shown.find("201 entry \"K3\" over=1:1\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("202 entry \"Kilo\" over=1:2\n"), std::string::npos) << shown;
    user.key("Ctrl+Enter");

    browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"B2", "Bravo"}, {"K3", "Kilo"}, {"M5", "Mike"}}));
    EXPECT_EQ(selectedCode(browse), "K3");
    EXPECT_EQ(browse.focus, 1) << "the list has the focus again";
    EXPECT_TRUE(control(browse, kCodeEdit).hidden) << "the edit controls hide between edits";
    EXPECT_EQ(control(browse, kCodeEdit).overList, 0);
    EXPECT_TRUE(control(browse, kSheet).enabled);
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}, {"K3", "Kilo"}, {"M5", "Mike"}}));
}

TEST_F(InLineInsert, EscOnAnUntouchedInsertRowAsksNothingAndRemovesTheRow) {
  seed({{"B2", "Bravo"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowse(user);
    user.key("Ins");
    user.key("Esc");
    const auto browse = user.current();
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"B2", "Bravo"}})) << "the blank row went";
    EXPECT_EQ(browse.focus, 1);
    EXPECT_TRUE(control(browse, kCodeEdit).hidden);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}}));
}

// The duplicate box, then the retry question: Yes checks again (and finds the
// duplicate again), No leaves the row unsaved.
TEST_F(InLineInsert, ADuplicateCodeIsReportedYesChecksAgainNoEndsWithoutSaving) {
  seed({{"A1", "Alpha"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowse(user);
    user.key("Ins");
    user.type("a1");  // codes compare without regard to case
    user.key("Tab");
    user.type("Another");
    for (int answer : {apprt::kButtonOk, apprt::kButtonYes, apprt::kButtonOk, apprt::kButtonNo})
      user.answer(answer);
    user.key("Ctrl+Enter");

    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (size_t i : {0u, 2u}) {
      EXPECT_EQ(boxes[i].request.title, "Duplicate Key Error");
      EXPECT_EQ(boxes[i].request.text, "Updating this record creates a duplicate entry!");
    }
    EXPECT_NE(boxes[1].request.text.find("Do you want to try to save again?"), std::string::npos)
        << boxes[1].request.text;
    const auto browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"A1", "Alpha"}}));
    EXPECT_EQ(browse.focus, 1) << "the row is over";
    EXPECT_TRUE(control(browse, kCodeEdit).hidden);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}}));
}

TEST_F(InLineInsert, CancelAfterADuplicateReturnsToTheRowToMendIt) {
  seed({{"A1", "Alpha"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowse(user);
    user.key("Ins");
    user.type("A1");
    user.key("Tab");
    user.type("Another");
    user.answer(apprt::kButtonOk);
    user.answer(apprt::kButtonCancel);
    user.key("Ctrl+Enter");
    auto browse = user.current();
    EXPECT_EQ(browse.focus, kNameEdit) << "back in the cell that had the focus";
    EXPECT_FALSE(control(browse, kCodeEdit).hidden);
    EXPECT_EQ(control(browse, kCodeEdit).text, "A1");
    EXPECT_EQ(control(browse, kNameEdit).text, "Another");
    EXPECT_EQ(selectedCode(browse), "") << "still on the blank row";

    user.key("Shift+Tab");
    EXPECT_EQ(user.current().focus, kCodeEdit);
    user.type("A2");
    user.key("Ctrl+Enter");
    browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"A1", "Alpha"}, {"A2", "Another"}}));
    EXPECT_EQ(selectedCode(browse), "A2");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"A2", "Another"}}));
}

// Leaving an insert removes what it added; it added nothing, and a record
// that was read before (the selected one, or the one its code duplicates)
// must stay.
TEST_F(InLineInsert, AbandoningAnInsertNeverDeletesAStoredRecord) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowse(user);
    user.row(2);
    user.key("Ins");
    user.type("Z9");
    user.answer(apprt::kButtonNo);
    user.key("Esc");  // changed: asks, No leaves it

    user.row(1);
    user.key("Ins");
    user.type("B2");
    user.answer(apprt::kButtonOk);      // the duplicate box
    user.answer(apprt::kButtonCancel);  // back to the row
    user.key("Ctrl+Enter");
    user.answer(apprt::kButtonNo);
    user.key("Esc");

    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NE(boxes[0].request.text.find("Do you want to save the changes to this record?"),
              std::string::npos)
        << boxes[0].request.text;
    EXPECT_EQ(rowsOf(user.current(), 1), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
}

TEST_F(InLineInsert, InNameOrderTheNewRecordIsSelectedAmongTheNames) {
  seed({{"B2", "Bravo"}, {"M5", "Mike"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowse(user);
    user.tab("FES:Keyname");
    user.key("Ins");
    user.type("Z1");
    user.key("Tab");
    user.type("Charlie");
    user.key("Ctrl+Enter");
    const auto browse = user.current();
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"B2", "Bravo"}, {"Z1", "Charlie"}, {"M5", "Mike"}}));
    EXPECT_EQ(selectedCode(browse), "Z1");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}, {"M5", "Mike"}, {"Z1", "Charlie"}}));
}

}  // namespace
}  // namespace fesk::test
