// What a person sees of a window's controls and what Alt plus a key reaches:
// the rules both the runtime and every front-end go by.

#include "runtime/frontend/control_tree.h"

#include <gtest/gtest.h>

#include "runtime/frontend/frontend.h"

namespace apprt {
namespace {

TEST(Mnemonics, AmpersandMarksTheNextCharacterAndDoubledIsLiteral) {
  MnemonicText insert = parseMnemonic("&Insert");
  EXPECT_EQ(insert.text, "Insert");
  EXPECT_EQ(insert.marked, 0u);
  MnemonicText both = parseMnemonic("Save && E&xit");
  EXPECT_EQ(both.text, "Save & Exit");
  EXPECT_EQ(both.marked, 8u);
  MnemonicText trailing = parseMnemonic("&&&Fish &Chips&");
  EXPECT_EQ(trailing.text, "&Fish Chips&") << "a lone '&' at the end is shown";
  EXPECT_EQ(trailing.marked, 1u) << "only the first mark counts";
  EXPECT_EQ(parseMnemonic("Close").marked, MnemonicText::kNone);
  EXPECT_EQ(parseMnemonic("Gr&üße").text, "Grüße");

  EXPECT_EQ(mnemonicKey("P&rint Setup..."), 'R');
  EXPECT_EQ(mnemonicKey("Fish && &Chips"), 'C');
  EXPECT_EQ(mnemonicKey("&1 Browse"), '1');
  EXPECT_EQ(mnemonicKey("Close"), 0);
  EXPECT_EQ(mnemonicKey("&&Close"), 0);
  EXPECT_EQ(mnemonicKey("Gr&üße"), 0) << "Alt reaches ASCII letters and digits only";
  EXPECT_EQ(mnemonicKey("&-"), 0);
}

ControlView control(int field, ControlKind kind, int parent, std::string text = {}) {
  ControlView c;
  c.field = field;
  c.kind = kind;
  c.parent = parent;
  c.text = std::move(text);
  return c;
}

// A sheet (10) with tabs 11 and 12, an entry on each tab, a button outside.
class SheetWindow : public ::testing::Test {
 protected:
  std::vector<ControlView> controls{
      control(10, ControlKind::Sheet, 0),          control(11, ControlKind::Tab, 10, "&General"),
      control(1, ControlKind::Entry, 11, "&Name"), control(12, ControlKind::Tab, 10, "&Numbers"),
      control(2, ControlKind::Entry, 12, "N&ame"), control(3, ControlKind::Button, 0, "&OK")};

  ControlView& at(int field) {
    for (auto& c : controls)
      if (c.field == field) return c;
    throw std::logic_error("no such control");
  }
  bool shown(int field) { return isShownAmong(controls, at(field)); }
  int reachedBy(int key) {
    const ControlView* c = controlWithMnemonic(controls, key);
    return c ? c->field : 0;
  }

  void SetUp() override { at(10).choice = 1; }
};

TEST_F(SheetWindow, TabsAreCountedAndNumberedWithinTheirSheet) {
  EXPECT_EQ(tabCount(controls, 10), 2);
  EXPECT_EQ(tabNumber(controls, 10, 12), 2);
  EXPECT_EQ(tabNumber(controls, 10, 1), 0) << "an entry is no tab";
  EXPECT_EQ(tabCount(controls, 3), 0);
}

TEST_F(SheetWindow, OnlyTheChosenTabsControlsShowButEveryTabDoes) {
  EXPECT_TRUE(shown(1));
  EXPECT_FALSE(shown(2));
  EXPECT_TRUE(shown(12)) << "a tab is there to be chosen";
  at(10).choice = 2;
  EXPECT_FALSE(shown(1));
  EXPECT_TRUE(shown(2));
  at(10).hidden = true;
  EXPECT_FALSE(shown(2)) << "a hidden container hides what it holds";
  EXPECT_FALSE(shown(11));
  EXPECT_TRUE(shown(3));
}

TEST_F(SheetWindow, AltReachesTheFirstShownEnabledControlWithTheMnemonic) {
  EXPECT_EQ(reachedBy('N'), 1) << "the tab of the second entry is not chosen";
  EXPECT_EQ(reachedBy('A'), 0);
  at(10).choice = 2;
  EXPECT_EQ(reachedBy('A'), 2);
  EXPECT_EQ(reachedBy('N'), 12) << "the first entry is on the tab not shown";
  at(3).enabled = false;
  EXPECT_EQ(reachedBy('O'), 0);
  WindowView view;
  view.controls = controls;
  EXPECT_TRUE(view.hasMnemonic('G'));
  EXPECT_FALSE(view.hasMnemonic('O'));
}

}  // namespace
}  // namespace apprt
