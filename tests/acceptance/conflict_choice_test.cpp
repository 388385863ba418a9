// A save that meets another station's change or delete keeps what was typed:
// after the warning the user sees both versions and chooses, by keyboard,
// which goes on; a record deleted meanwhile can be added again.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

const std::string kChangedTitle = "Record Changed by Another Station";
const std::string kDeletedTitle = "Record Deleted by Another Station";
constexpr const char* kChangedText = "This record was changed by another station.";
constexpr int kValuePrompt = 7;
constexpr int kStoredCode = 5;
constexpr int kTypedCode = 6;
constexpr int kStoredValue = 8;
constexpr int kTypedValue = 9;
constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

class ConflictChoice : public EveryDriverAcceptanceTest {
 protected:
  // Opens a second browse, with forms, standing for another station.
  static void openOtherStation(Session& user) {
    user.menu("&fesk");
    user.useWindow(user.window(kBrowseTitle)->handle);
    user.click("InLine On");
  }

  // The other station changes row `row`'s record through its form, and
  // leaves its browse open.
  static void changeElsewhere(Session& user, int row, const std::string& code,
                              const std::string& name) {
    openOtherStation(user);
    user.row(row);
    user.click("&Change");
    user.useWindow(kChangeFesk1Title);  // the newest: the other station's
    if (!code.empty()) fill(user, "&code:", code);
    fill(user, "&name:", name);
    user.click("OK");
  }

  // The other station deletes row `row`'s record, and leaves its browse open.
  static void deleteElsewhere(Session& user, int row) {
    openOtherStation(user);
    user.row(row);
    user.answer(apprt::kButtonOk);
    user.click("&Delete");
  }

  // The window that asks, with what it shows: (stored code, stored value),
  // (typed code, typed value), and the prompt of the value.
  static void expectChoice(Session& user, const std::string& title, const Records& shown,
                           const std::string& valuePrompt) {
    user.useWindow(title);
    const auto choice = user.current();
    if (title == kChangedTitle) {
      EXPECT_EQ(control(choice, kStoredCode).text, shown[0].first);
      EXPECT_EQ(control(choice, kStoredValue).text, shown[0].second);
    }
    EXPECT_EQ(control(choice, kTypedCode).text, shown.back().first);
    EXPECT_EQ(control(choice, kTypedValue).text, shown.back().second);
    EXPECT_EQ(control(choice, kValuePrompt).text, valuePrompt);
    EXPECT_EQ(choice.focus, 10) << "Enter takes the first choice";
  }
};

TEST_P(ConflictChoice, TheFormKeepsTheTypingAndKeepMineWritesItOverTheirVersion) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"A1", "n1"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    const int firstBrowse = user.current().handle;
    user.row(1);
    user.click("&Change");
    fill(user, "&code:", "A9");
    fill(user, "&name:", "Mine");
    changeElsewhere(user, 1, "A7", "Elsewhere");

    user.useWindow(kChangeFesk1Title);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    ASSERT_EQ(user.frontEnd().messageBoxes().size(), 1u);
    EXPECT_EQ(user.frontEnd().messageBoxes()[0].request.text, kChangedText);
    expectChoice(user, kChangedTitle, {{"A7", "Elsewhere"}, {"A9", "Mine"}}, "name:");

    // Esc decides nothing: back in the form, the typing is still there.
    user.key("Esc");
    user.useWindow(kChangeFesk1Title);
    auto form = user.current();
    ASSERT_EQ(form.title, kChangeFesk1Title);
    EXPECT_EQ(control(form, 3).text, "A9");
    EXPECT_EQ(control(form, 5).text, "Mine");

    // The other station changes it once more before OK: asked again, Enter
    // keeps the typed values, written over that version with its children.
    changeElsewhere(user, 1, "", "Again");
    user.useWindow(kChangeFesk1Title);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    expectChoice(user, kChangedTitle, {{"A7", "Again"}, {"A9", "Mine"}}, "name:");
    user.key("Enter");
    EXPECT_FALSE(user.window(kChangeFesk1Title)) << "saved, the form closed";
    EXPECT_FALSE(user.window(kChangedTitle));
    EXPECT_EQ(codesOf(windowWithHandle(user, firstBrowse)), (std::vector<std::string>{"A9", "B2"}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A9", "Mine"}, {"B2", "Bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A9", "n1"}})) << "the children followed the new code";
}

TEST_P(ConflictChoice, ARecordDeletedMeanwhileIsAddedAgainOnceItsCodeIsFree) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    fill(user, "&code:", "C3");
    fill(user, "&name:", "Mine");

    // The other station deletes A1 and stores C3 itself.
    deleteElsewhere(user, 1);
    user.click("&Insert");
    user.useWindow(kAddFesk1Title);
    fill(user, "&code:", "C3");
    fill(user, "&name:", "Theirs");
    user.click("OK");

    user.useWindow(kChangeFesk1Title);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    expectChoice(user, kDeletedTitle, {{"C3", "Mine"}}, "name:");
    user.answer(apprt::kButtonOk);
    user.key("Alt+A");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().request.text.find("creates a duplicate entry"), std::string::npos);
    EXPECT_FALSE(user.window(kChangeFesk1Title)) << "kept after its delete, the record is added";
    ASSERT_TRUE(user.window(kAddFesk1Title)) << "the code is taken: the form stays open";
    user.useWindow(kAddFesk1Title);
    auto form = user.current();
    EXPECT_EQ(control(form, 3).text, "C3");
    EXPECT_EQ(control(form, 5).text, "Mine");

    fill(user, "&code:", "C4");
    user.click("OK");
    EXPECT_FALSE(user.window(kAddFesk1Title)) << "added, the form closed";
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}, {"C3", "Theirs"}, {"C4", "Mine"}}));
}

TEST_P(ConflictChoice, TheFesk2FormKeepsItsNumberOrLetsItGoWhenTheRecordIsGone) {
  seed({{"A1", "Alpha"}}, {{"A1", "n1"}});
  const int exitCode = runProgram([&](Session& user) {
    openFirstFesk2Form(user);
    const int firstChild = user.current().handle;
    const int firstForm = user.window(kChangeFesk1Title)->handle;
    fill(user, "&Number:", "mine");
    openFirstFesk2Form(user);
    fill(user, "&Number:", "theirs");
    user.click("OK");

    user.useWindow(firstChild);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    expectChoice(user, kChangedTitle, {{"A1", "theirs"}, {"A1", "mine"}}, "Number:");
    user.key("Alt+K");
    EXPECT_FALSE(user.window(kChangedTitle));
    EXPECT_FALSE(user.window(kChangeFesk2Title)) << "the child form closed, saved";
    EXPECT_EQ(rowsOf(windowWithHandle(user, firstForm), 6), (Records{{"A1", "mine"}}));

    // Deleted elsewhere meanwhile, and left deleted when the user says so.
    openFirstFesk2Form(user);
    const int secondChild = user.current().handle;
    fill(user, "&Number:", "gone");
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    user.tab("fesk2");
    user.row(1);
    user.answer(apprt::kButtonOk);
    user.click("&Delete");
    user.useWindow(secondChild);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    expectChoice(user, kDeletedTitle, {{"A1", "gone"}}, "Number:");
    user.key("Alt+L");
    EXPECT_FALSE(user.window(kChangeFesk2Title));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk2(), Records{});
}

// In place: the row keeps its typing through the choice; keep mine saves it,
// and a row whose record was deleted meanwhile is added again.
TEST_P(ConflictChoice, TheInLineRowKeepsItsTyping) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    const int first = user.current().handle;
    typeNameInRow(user, 1, "Mine");
    changeElsewhere(user, 1, "", "Elsewhere");

    user.useWindow(first);
    user.answer(apprt::kButtonOk);
    user.key("Ctrl+Enter");
    ASSERT_EQ(user.frontEnd().messageBoxes().size(), 1u) << "no question to try again";
    expectChoice(user, kChangedTitle, {{"A1", "Elsewhere"}, {"A1", "Mine"}}, "name:");
    user.key("Enter");
    EXPECT_EQ(rowsOf(windowWithHandle(user, first), 1), (Records{{"A1", "Mine"}, {"B2", "Bravo"}}));

    // B2 is deleted elsewhere while its row is edited here.
    user.useWindow(first);
    typeNameInRow(user, 2, "Back");
    deleteElsewhere(user, 2);

    user.useWindow(first);
    user.answer(apprt::kButtonOk);
    user.key("Ctrl+Enter");
    expectChoice(user, kDeletedTitle, {{"B2", "Back"}}, "name:");
    user.key("Alt+A");
    const auto browse = windowWithHandle(user, first);
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"A1", "Mine"}, {"B2", "Back"}}));
    EXPECT_TRUE(control(browse, kNameEdit).hidden) << "the row is done";
    EXPECT_TRUE(control(browse, kCodeEdit).hidden);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Mine"}, {"B2", "Back"}}));
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConflictChoice, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
