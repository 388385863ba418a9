// A row edited in place in the terminal: the edit controls that the runtime
// lays over the selected row's cells stand on that row, each in its column,
// and take the typing.

#include <gtest/gtest.h>

#include "runtime/frontend/constants.h"
#include "support/program_views.h"
#include "ui/tui/desktop.h"

namespace fesk::tui {
namespace {

using namespace apprt;

constexpr int kList = 1;
constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

ControlView editOver(int field, int column, const std::string& text) {
  ControlView c;
  c.field = field;
  c.kind = ControlKind::Entry;
  c.type = kTypeEntry;
  c.text = text;
  c.picture = "@s20";
  c.overList = kList;
  c.overColumn = column;
  return c;
}

class InLineEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    browse_ = test::programView(test::kBrowseModule, test::kWindowLabel, 15);
    browse_.handle = 2;
    for (auto& c : browse_.controls)
      if (c.field == kList) c.selected = 3;
    browse_.controls.push_back(editOver(kCodeEdit, 1, "C003"));
    browse_.controls.push_back(editOver(kNameEdit, 2, "Name 3"));
    browse_.focus = kCodeEdit;
    desktop_.showWindow(browse_);
  }

  CellRect at(int field) {
    const ShownWindow* w = desktop_.window(browse_.handle);
    auto rect = w->controlRect(*w->view.control(field));
    EXPECT_TRUE(rect.has_value()) << field;
    return rect.value_or(CellRect{});
  }

  std::vector<Input> sent_;
  Desktop desktop_{[this](const Input& input) { sent_.push_back(input); }, 80, 24};
  WindowView browse_;
};

TEST_F(InLineEditTest, TheCellsOfTheSelectedRowCarryTheEditControls) {
  const CellRect list = at(kList), code = at(kCodeEdit), name = at(kNameEdit);
  EXPECT_EQ(code.row, name.row) << "both on one line";
  EXPECT_GT(code.row, list.row) << "below the list's header";
  EXPECT_LT(code.row, list.row + list.height);
  EXPECT_EQ(code.height, 1);
  EXPECT_GE(code.col, list.col);
  EXPECT_LE(code.col + code.width, name.col) << "the code column comes first";
  EXPECT_LE(name.col + name.width, list.col + list.width);

  // Another selected row moves them with it.
  for (auto& c : browse_.controls)
    if (c.field == kList) c.selected = 5;
  desktop_.showWindow(browse_);
  EXPECT_EQ(at(kCodeEdit).row, code.row + 2);
}

TEST_F(InLineEditTest, TypingGoesToTheFocusedCell) {
  desktop_.key({false, L'K', false});
  ASSERT_EQ(sent_.size(), 1u);
  EXPECT_EQ(sent_[0].kind, Input::Kind::Text);
  EXPECT_EQ(sent_[0].field, kCodeEdit);
  EXPECT_EQ(sent_[0].text, "K") << "the cell's text was selected: typing replaces it";
}

}  // namespace
}  // namespace fesk::tui
