// A drop-down list in the terminal: its list opens and closes as the runtime
// says; the drop button and F4 ask for it, keys go on to the runtime, and a
// click picks a row, scrolls or closes the list.

#include <curses.h>
#include <gtest/gtest.h>

#include "runtime/frontend/constants.h"
#include "support/program_views.h"
#include "ui/tui/desktop.h"

namespace fesk::tui {
namespace {

using namespace apprt;

constexpr int kDrop = 90;

class DropListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowView frame = test::programView(test::kFrameModule, test::kFrameLabel);
    frame.handle = 1;
    desktop_.showWindow(frame);
    form_ = test::programView(test::kFesk1FormModule, test::kWindowLabel);
    form_.handle = 3;
    ControlView drop;
    drop.field = kDrop;
    drop.handle = 300;
    drop.kind = ControlKind::DropList;
    drop.type = kTypeDropList;
    drop.rect = {4, 4, 90, 62};
    drop.format = "80L(2)|M~code~L(2)@S20@";
    for (int i = 1; i <= 5; ++i) drop.rows.push_back({"C00" + std::to_string(i)});
    drop.visibleRows = 5;
    drop.selected = 2;
    drop.scrollBar = true;
    form_.controls.push_back(drop);
    form_.focus = kDrop;
    show(false);
  }
  void show(bool open) {
    for (auto& c : form_.controls)
      if (c.field == kDrop) c.droppedDown = open;
    desktop_.showWindow(form_);
    sent_.clear();
  }
  std::vector<Input> take() { return std::exchange(sent_, {}); }

  std::vector<Input> sent_;
  Desktop desktop_{[this](const Input& input) { sent_.push_back(input); }, 80, 24};
  WindowView form_;
};

TEST_F(DropListTest, F4AsksTheRuntimeToOpenTheListAndShowsNothingOfItsOwn) {
  desktop_.key({true, KEY_F(4), false});
  auto sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Drop);
  EXPECT_EQ(sent[0].field, kDrop);
  EXPECT_FALSE(desktop_.openDrop()) << "until the runtime says it is open";
}

TEST_F(DropListTest, TheOpenListPassesKeysOnAndTakesClicks) {
  show(true);
  auto popup = desktop_.openDrop();
  ASSERT_TRUE(popup);
  const CellRect r = popup->rect;
  EXPECT_EQ(r.height, 5);
  desktop_.key({true, KEY_DOWN, false});
  desktop_.click(r.col + 1, r.row + 2, false);                       // row 3
  desktop_.click(r.col + r.width - 1, r.row + r.height - 1, false);  // line down
  desktop_.click(r.col + r.width - 1, r.row + 1, false);             // page up
  auto sent = take();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Key);
  EXPECT_EQ(sent[0].code, kKeyDown);
  EXPECT_EQ(sent[1].kind, Input::Kind::Row);
  EXPECT_EQ(sent[1].row, 3);
  EXPECT_EQ(sent[2].kind, Input::Kind::Scroll);
  EXPECT_EQ(sent[2].scroll, kScrollLineDown);
  EXPECT_EQ(sent[3].scroll, kScrollPageUp);

  desktop_.click(r.col + r.width + 5, r.row + r.height + 3, false);
  sent = take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, Input::Kind::Drop) << "a click elsewhere closes the list";
  show(false);
  EXPECT_FALSE(desktop_.openDrop());
}

}  // namespace
}  // namespace fesk::tui
