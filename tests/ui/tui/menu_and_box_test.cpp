// The frame's menu bar and message boxes as the terminal shows them.

#include <gtest/gtest.h>

#include "runtime/frontend/constants.h"
#include "support/program_views.h"
#include "ui/tui/menu_bar.h"
#include "ui/tui/message_box_view.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {
namespace {

using namespace apprt;

std::vector<std::wstring> texts(const std::vector<MenuEntry>& entries) {
  std::vector<std::wstring> out;
  out.reserve(entries.size());
  for (const auto& e : entries) out.push_back(e.separator ? L"-" : e.text.text);
  return out;
}

TEST(MenuBarTest, TheFramesBarWithItsMenusAndItems) {
  auto bar = buildMenuBar(test::programView(test::kFrameModule, test::kFrameLabel));
  EXPECT_EQ(texts(bar), (std::vector<std::wstring>{L"File", L"fesk", L"Edit", L"Window", L"Help"}));
  EXPECT_TRUE(bar[0].submenu);
  EXPECT_FALSE(bar[1].submenu);
  EXPECT_EQ(bar[1].field, -4);
  EXPECT_EQ(texts(bar[0].items),
            (std::vector<std::wstring>{L"Print List...", L"Print Setup...", L"-", L"Export List...",
                                       L"-", L"Exit"}));
  EXPECT_EQ(bar[0].items[5].hint, "Exit this application");
  EXPECT_EQ(bar[3].hint, "Create and Arrange windows");
  EXPECT_EQ(bar[3].items[0].standardAction, static_cast<int>(StandardAction::Tile));
  // The tool bar's button is not on the menu bar.
  for (const auto& e : bar) EXPECT_NE(e.field, -15);
  EXPECT_EQ(barColumns(bar), (std::vector<int>{1, 7, 13, 19, 27, 33}));
}

TEST(MenuBarTest, MovingSkipsSeparatorsAndDisabledItemsAndWraps) {
  auto bar = buildMenuBar(test::programView(test::kFrameModule, test::kFrameLabel));
  const auto& file = bar[0].items;
  EXPECT_EQ(nextChoosable(file, 1, 1), 3);
  EXPECT_EQ(nextChoosable(file, 3, 1), 5);
  EXPECT_EQ(nextChoosable(file, 5, 1), 0);
  EXPECT_EQ(nextChoosable(file, 0, -1), 5);
  auto disabled = file;
  disabled[5].enabled = false;
  EXPECT_EQ(nextChoosable(disabled, 3, 1), 0);
}

TEST(MenuBarTest, MnemonicsFindTheNextEntryAndTellWhenTheyAreShared) {
  auto bar = buildMenuBar(test::programView(test::kFrameModule, test::kFrameLabel));
  MnemonicMatch f = findMnemonic(bar, 'F');  // "&File" and "&fesk"
  EXPECT_EQ(f.index, 0);
  EXPECT_FALSE(f.unique);
  EXPECT_EQ(findMnemonic(bar, 'F', 0).index, 1);
  MnemonicMatch w = findMnemonic(bar, 'W');
  EXPECT_EQ(w.index, 3);
  EXPECT_TRUE(w.unique);
  EXPECT_EQ(findMnemonic(bar, 'Q').index, -1);
}

TEST(WrapTextTest, BreaksAtSpacesKeepsLineBreaksAndCutsLongWords) {
  EXPECT_EQ(wrapText(L"one two three", 8), (std::vector<std::wstring>{L"one two", L"three"}));
  EXPECT_EQ(wrapText(L"a\nb", 10), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(wrapText(L"abcdefghij", 4), (std::vector<std::wstring>{L"abcd", L"efgh", L"ij"}));
}

TEST(MessageBoxViewTest, ButtonsDefaultEscapeAndLetters) {
  MessageBoxRequest request;
  request.text = "Are you sure you want to delete the highlighted record?";
  request.title = "Confirm Delete";
  request.icon = Icon::Question;
  request.buttons = kButtonYes | kButtonNo | kButtonCancel;
  request.defaultButton = kButtonNo;
  std::vector<int> answers;
  MessageBoxView box(request, [&](int value) { answers.push_back(value); });
  box.arrange(80, 24);
  ASSERT_EQ(box.buttons().size(), 3u);
  EXPECT_EQ(box.buttons()[0].label, L"Yes");
  EXPECT_EQ(box.focusedValue(), kButtonNo);
  EXPECT_EQ(box.escapeValue(), kButtonCancel);
  EXPECT_EQ(box.valueForLetter('Y'), kButtonYes);
  EXPECT_EQ(box.valueForLetter('Q'), 0);
  box.moveFocus(1);
  EXPECT_EQ(box.focusedValue(), kButtonCancel);
  box.moveFocus(1);
  EXPECT_EQ(box.focusedValue(), kButtonYes);
  // Centred, and the buttons are where clicks find them.
  EXPECT_EQ(box.outer().col, (80 - box.outer().width) / 2);
  EXPECT_EQ(box.outer().row, (24 - box.outer().height) / 2);
  const BoxButton& no = box.buttons()[1];
  EXPECT_EQ(box.valueAt(no.rect.col + 1, no.rect.row), kButtonNo);
  EXPECT_EQ(box.valueAt(no.rect.col - 1, no.rect.row), 0);
  box.answer(kButtonYes);
  box.answer(kButtonNo);  // a box answers once
  EXPECT_EQ(answers, std::vector<int>{kButtonYes});
}

TEST(MessageBoxViewTest, ABoxOfOneButtonEscapesWithIt) {
  MessageBoxRequest request;
  request.text = "Saved.";
  request.buttons = kButtonOk;
  MessageBoxView box(request, [](int) {});
  EXPECT_EQ(box.escapeValue(), kButtonOk);
  request.buttons = kButtonYes | kButtonNo;
  request.defaultButton = kButtonYes;
  EXPECT_EQ(MessageBoxView(request, [](int) {}).escapeValue(), kButtonNo);
}

}  // namespace
}  // namespace fesk::tui
