// The desktop's drop-down list: its list opens and closes only as the runtime
// says, shows the control's page of rows, and reports the drop arrow, a row
// picked and its scroll bar.

#include "ui/qt/drop_control.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTreeWidget>

#include "desktop_fixture.h"
#include "runtime/frontend/constants.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/list_control.h"
#include "ui/qt/run.h"

namespace fesk::qt::test {
namespace {

apprt::ControlView dropView(bool open, int selected) {
  apprt::ControlView v;
  v.kind = apprt::ControlKind::DropList;
  v.format = "80L(2)|M~code~L(2)@S20@";
  v.rect = {4, 4, 90, 62};
  v.visibleRows = 7;
  for (int i = 1; i <= 7; ++i) v.rows.push_back({"C00" + std::to_string(i)});
  v.selected = selected;
  v.scrollBar = true;
  v.droppedDown = open;
  return v;
}

class DropControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ensureApplication(); }
};

TEST_F(DropControlTest, TheListShowsOnlyWhileTheRuntimeSaysItIsOpen) {
  DialogUnits units(windowFont("MS Sans Serif", 8));
  DropControl drop(units);
  drop.show();
  int pressed = 0;
  QObject::connect(&drop, &DropControl::dropPressed, [&pressed] { ++pressed; });

  drop.apply(dropView(false, 2));
  EXPECT_EQ(drop.currentText(), "C002") << "the closed control shows the selected row";
  drop.showPopup();
  EXPECT_EQ(pressed, 1);
  EXPECT_FALSE(drop.openList()->isVisible()) << "pressing the arrow only asks the runtime";

  drop.apply(dropView(true, 4));
  ASSERT_TRUE(drop.openList()->isVisible());
  EXPECT_EQ(drop.openList()->rowsView()->topLevelItemCount(), 7);
  EXPECT_TRUE(drop.openList()->rowsView()->topLevelItem(3)->isSelected());
  EXPECT_EQ(drop.openList()->geometry().top(), drop.mapToGlobal(QPoint(0, drop.height())).y())
      << "under the control";

  drop.apply(dropView(false, 4));
  EXPECT_FALSE(drop.openList()->isVisible());
  EXPECT_EQ(drop.currentText(), "C004");
}

TEST_F(DropControlTest, TheOpenListReportsItsScrollBarAndTheRowPicked) {
  DialogUnits units(windowFont("MS Sans Serif", 8));
  DropControl drop(units);
  drop.show();
  drop.apply(dropView(true, 1));
  std::vector<int> codes;
  QObject::connect(&drop, &DropControl::scrolled,
                   [&codes](int scrollCode, int) { codes.push_back(scrollCode); });
  drop.openList()->scrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(codes, (std::vector<int>{apprt::kScrollPageDown}));

  std::vector<int> rows;
  QObject::connect(&drop, &DropControl::rowChosen, [&rows](int row, int) { rows.push_back(row); });
  emit drop.openList()->rowChosen(5, apprt::kKeyMouseLeft);
  EXPECT_EQ(rows, (std::vector<int>{5}));
}

}  // namespace
}  // namespace fesk::qt::test
