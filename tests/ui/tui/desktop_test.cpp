// The desktop turns what a person types and clicks into the runtime's input,
// for the window, entry, list, menu or box that has the keyboard.

#include "ui/tui/desktop.h"

#include <curses.h>
#include <gtest/gtest.h>

#include "runtime/frontend/constants.h"
#include "support/program_views.h"
#include "ui/tui/control_geometry.h"

namespace fesk::tui {
namespace {

using namespace apprt;

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = test::programView(test::kFrameModule, test::kFrameLabel);
    browse_ = test::programView(test::kBrowseModule, test::kWindowLabel, 15);
    form_ = test::programView(test::kFesk1FormModule, test::kWindowLabel);
    frame_.handle = 1;
    browse_.handle = 2;
    form_.handle = 3;
    desktop_.showWindow(frame_);
  }

  void press(int character, bool alt = false) { desktop_.key({false, character, alt}); }
  void pressFunction(int key) { desktop_.key({true, key, false}); }
  std::vector<Input> take() { return std::exchange(sent_, {}); }

  // Where a control of a shown window stands on the screen.
  CellRect at(int window, int field) {
    const ShownWindow* w = desktop_.window(window);
    return *w->controlRect(*w->view.control(field));
  }

  std::vector<Input> sent_;
  Desktop desktop_{[this](const Input& input) { sent_.push_back(input); }, 80, 24};
  WindowView frame_, browse_, form_;
};

TEST_F(DesktopTest, TypingInTheFocusedEntrySendsTheWholeText) {
  form_.focus = 3;
  for (auto& c : form_.controls)
    if (c.field == 3) c.text = "OLD                 ";  // a record field, space-padded
  desktop_.showWindow(form_);
  press(L'N');  // the text was selected: typing replaces it
  press(L'ü');
  auto sent = take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Text);
  EXPECT_EQ(sent[0].field, 3);
  EXPECT_EQ(sent[0].text, "N");
  EXPECT_EQ(sent[1].text, "Nü");
  // The runtime's echo of the first text does not undo the second.
  for (auto& c : form_.controls)
    if (c.field == 3) c.text = "N";
  desktop_.showWindow(form_);
  press(127);  // Backspace
  sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, "N");
  // Keys that leave the entry are the runtime's.
  press(9);
  sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Key);
  EXPECT_EQ(sent[0].code, kKeyTab);
}

TEST_F(DesktopTest, AnEntryRefusesTypingPastItsPicture) {
  form_.focus = 3;
  desktop_.showWindow(form_);
  for (int i = 0; i < 25; ++i) press(L'x');
  auto sent = take();
  ASSERT_EQ(sent.size(), 20u);  // "@s20"
  EXPECT_EQ(sent.back().text, std::string(20, 'x'));
}

TEST_F(DesktopTest, AltLettersGoToTheWindowsMnemonicsElseToTheMenuBar) {
  desktop_.showWindow(browse_);
  press(L'i', true);  // "&Insert"
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].window, 2);
  EXPECT_EQ(sent[0].code, kAlt + 'I');
  press(L'w', true);  // "&Window" of the bar: opens it, Enter takes "T&ile"
  EXPECT_EQ(desktop_.statusText(), "Make all open windows visible");
  press(13);
  sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Menu);
  EXPECT_EQ(sent[0].window, 1);
  EXPECT_EQ(sent[0].field, -9);
}

TEST_F(DesktopTest, MenuTitlesSharingAnAltKeyTakeTurnsAndNeverStartACommand) {
  press(L'f', true);  // "&File" opens
  EXPECT_EQ(desktop_.statusText(), "Print the list of records");
  press(L'f', true);  // "&fesk" is only marked, over the open "&File"
  EXPECT_TRUE(take().empty()) << "a second Alt+F started a command";
  EXPECT_NE(desktop_.statusText(), "Print the list of records");
  press(L'f', true);  // round again
  EXPECT_EQ(desktop_.statusText(), "Print the list of records");
  press(L'f', true);
  press(13);  // Enter takes the marked item
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Menu);
  EXPECT_EQ(sent[0].field, -4);  // "&fesk"
}

TEST_F(DesktopTest, ButtonsWithoutAMnemonicGetAnAltKeyOfTheirOwn) {
  desktop_.showWindow(browse_);
  desktop_.showWindow(form_);
  // Added only where the definition has none, clashing with no other control
  // and no menu title ("&Help", "&Edit").
  const ShownWindow* form = desktop_.window(3);
  EXPECT_EQ(form->view.control(7)->text, "&Insert");
  EXPECT_EQ(form->view.control(10)->text, "&OK");
  EXPECT_EQ(form->view.control(11)->text, "C&ancel");
  EXPECT_EQ(form->view.control(12)->text, "He&lp");
  EXPECT_EQ(desktop_.window(2)->view.control(8)->text, "C&lose");
  take();
  press(L'a', true);  // "C&ancel": pressed as a click, which the runtime knows
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Click);
  EXPECT_EQ(sent[0].window, 3);
  EXPECT_EQ(sent[0].field, 11);
  press(L'c', true);  // "&code:", the definition's own, is the runtime's
  sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Key);
  EXPECT_EQ(sent[0].code, kAlt + 'C');
}

TEST_F(DesktopTest, F10OpensTheMenuAndArrowsReachTheBarsOwnItem) {
  pressFunction(KEY_F(10));
  EXPECT_EQ(desktop_.statusText(), "Print the list of records");
  pressFunction(KEY_RIGHT);
  press(13);
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Menu);
  EXPECT_EQ(sent[0].field, -4);  // "&fesk"
  // Esc closes a menu without choosing anything.
  pressFunction(KEY_F(10));
  press(27);
  press(27);
  EXPECT_TRUE(take().empty());
  EXPECT_EQ(desktop_.statusText(), "");
}

TEST_F(DesktopTest, MessageBoxesTakeTheKeyboardUntilAnswered) {
  desktop_.showWindow(browse_);
  std::vector<int> answers;
  MessageBoxRequest request;
  request.text = "Delete?";
  request.buttons = kButtonYes | kButtonNo;
  request.defaultButton = kButtonNo;
  desktop_.askMessageBox(request, [&](int value) { answers.push_back(value); });
  pressFunction(KEY_NPAGE);  // not for the list behind the box
  press(13);
  desktop_.askMessageBox(request, [&](int value) { answers.push_back(value); });
  press(L'y');
  pressFunction(KEY_NPAGE);  // the list's again
  EXPECT_EQ(answers, (std::vector<int>{kButtonNo, kButtonYes}));
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].code, kKeyPgDn);
}

TEST_F(DesktopTest, AQuestionForAFileTakesTheTypingAndAReportOfWorkCanBeStopped) {
  desktop_.showWindow(browse_);
  std::vector<std::string> paths;
  SavePathRequest request{2, "Export List", "fesk1.csv", "CSV files", "csv"};
  desktop_.askSavePath(request, [&](const std::string& path) { paths.push_back(path); });
  press(L'/');  // the name offered is selected: typing replaces it
  press(L'x');
  press(127);
  press(L'y');
  pressFunction(KEY_NPAGE);  // not for the list behind the question
  press(13);
  desktop_.askSavePath(request, [&](const std::string& path) { paths.push_back(path); });
  press(27);  // Esc: no file
  EXPECT_EQ(paths, (std::vector<std::string>{"/y", ""}));
  EXPECT_TRUE(take().empty());

  int stops = 0;
  ProgressView work{5, 2, "Export List", "500 records written", 500, 0, false};
  desktop_.showProgress(work, [&] { ++stops; });
  work.text = "1000 records written";
  desktop_.showProgress(work, [&] { ++stops; });
  pressFunction(KEY_NPAGE);  // the report has the keyboard
  press(27);                 // Esc is Cancel
  EXPECT_EQ(stops, 1);
  desktop_.showProgress(work, [&] { ++stops; });  // a report after Cancel shows nothing
  pressFunction(KEY_NPAGE);
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u) << "the list has the keyboard again";
  EXPECT_EQ(sent[0].code, kKeyPgDn);
  work.ended = true;
  desktop_.showProgress(work, [&] { ++stops; });
  EXPECT_EQ(stops, 1);
}

TEST_F(DesktopTest, ClicksOnRowsScrollBarAndTabs) {
  for (auto& c : browse_.controls)
    if (c.field == 1) c.scrollBar = true;
  desktop_.showWindow(browse_);
  take();
  const CellRect list = at(2, 1);
  desktop_.click(list.col + 5, list.row + 3, false);  // the header, then rows 1, 2, 3
  desktop_.click(list.col + 5, list.row + 3, true);
  desktop_.click(list.col + list.width - 1, list.row + list.height - 1, false);
  desktop_.click(list.col + list.width - 1, list.row + list.height - 2, false);
  auto sent = take();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Row);
  EXPECT_EQ(sent[0].row, 3);
  EXPECT_EQ(sent[0].mouse, kKeyMouseLeft);
  EXPECT_EQ(sent[1].mouse, kKeyMouseLeftDouble);
  EXPECT_EQ(sent[2].kind, Input::Kind::Scroll);
  EXPECT_EQ(sent[2].scroll, kScrollLineDown);
  EXPECT_EQ(sent[3].scroll, kScrollPageDown);  // the thumb is at the top
  const ShownWindow* w = desktop_.window(2);
  auto labels = tabLabels(w->view, *w->view.control(2), at(2, 2));
  ASSERT_EQ(labels.size(), 2u);
  desktop_.click(labels[1].rect.col + 1, labels[1].rect.row, false);
  desktop_.wheel(list.col + 5, list.row + 5, false);
  sent = take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Tab);
  EXPECT_EQ(sent[0].tab, 2);
  EXPECT_EQ(sent[1].kind, Input::Kind::Wheel);
  EXPECT_FALSE(sent[1].up);
}

TEST_F(DesktopTest, WindowsCascadeSwitchAndTile) {
  desktop_.showWindow(browse_);
  desktop_.showWindow(form_);
  EXPECT_EQ(desktop_.activeWindow()->view.handle, 3);
  const CellRect first = desktop_.window(2)->outer, second = desktop_.window(3)->outer;
  EXPECT_GT(second.col, first.col);
  EXPECT_GT(second.row, first.row);
  // Ctrl+F6 is bound as one of the modified sequences.
  const auto& sequences = modifiedKeySequences();
  int ctrlF6 = 0;
  for (size_t i = 0; i < sequences.size(); ++i)
    if (sequences[i].first == "\033[17;5~") ctrlF6 = kFirstOwnKey + static_cast<int>(i);
  desktop_.key({true, ctrlF6, false});
  EXPECT_EQ(desktop_.activeWindow()->view.handle, 2);
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Activate);
  EXPECT_EQ(sent[0].window, 2);

  desktop_.standardAction(StandardAction::Tile);
  CellRect a = desktop_.window(2)->outer, b = desktop_.window(3)->outer;
  if (b.col < a.col) std::swap(a, b);
  const CellRect area = desktop_.clientArea();
  EXPECT_LE(a.col + a.width, b.col);
  EXPECT_EQ(a.width + b.width, area.width);
  EXPECT_EQ(a.height, area.height);

  // Tiles larger than the definitions, as on a large terminal, are told to
  // the runtime in dialog units; Cascade gives the definitions' sizes back.
  auto definition = [this](int window) { return window == 2 ? browse_ : form_; };
  take();
  desktop_.resize(240, 80);
  sent = take();
  ASSERT_EQ(sent.size(), 2u);
  for (const auto& input : sent) {
    EXPECT_EQ(input.kind, Input::Kind::Resize);
    EXPECT_GT(input.width, definition(input.window).width);
    EXPECT_GT(input.height, definition(input.window).height);
  }
  // Cascaded on the large terminal they keep sizes grown from their
  // definitions; back on a small one they have the definitions' sizes.
  desktop_.standardAction(StandardAction::Cascade);
  sent = take();
  ASSERT_EQ(sent.size(), 2u);
  for (const auto& input : sent) {
    EXPECT_GT(input.width, definition(input.window).width);
    EXPECT_GT(input.height, definition(input.window).height);
  }
  desktop_.resize(80, 24);
  sent = take();
  ASSERT_EQ(sent.size(), 2u);
  for (const auto& input : sent) {
    EXPECT_EQ(input.width, definition(input.window).width);
    EXPECT_EQ(input.height, definition(input.window).height);
  }
}

TEST_F(DesktopTest, AWindowOpenedOnAWideTerminalUsesItsWidth) {
  desktop_.showWindow(browse_);
  const CellRect small = desktop_.window(2)->outer;
  desktop_.closeWindow(2);
  take();
  desktop_.resize(120, 40);
  desktop_.showWindow(browse_);
  const ShownWindow* browse = desktop_.window(2);
  const CellRect area = desktop_.clientArea();
  EXPECT_GT(browse->outer.width, small.width * 5 / 4) << "wider, not only taller";
  EXPECT_GT(browse->outer.height, small.height);
  EXPECT_LE(browse->outer.col + browse->outer.width, area.col + area.width);
  EXPECT_LE(browse->outer.row + browse->outer.height, area.row + area.height);
  // The runtime is told, so that the list's columns and rows grow with it.
  auto sent = take();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().kind, Input::Kind::Resize);
  EXPECT_GT(sent.back().width, browse_.width);
  EXPECT_GT(sent.back().height, browse_.height);
}

TEST_F(DesktopTest, ClosingTheActiveWindowLeavesTheOneBelowOnTop) {
  desktop_.showWindow(browse_);
  desktop_.showWindow(form_);
  desktop_.closeWindow(3);
  EXPECT_EQ(desktop_.activeWindow()->view.handle, 2);
  desktop_.click(desktop_.window(2)->closeBox().col, desktop_.window(2)->outer.row, false);
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Close);
  EXPECT_EQ(sent[0].window, 2);
}

}  // namespace
}  // namespace fesk::tui
