// Laying windows out on a character grid: the program's windows fit an 80x24
// terminal, controls keep the lines they need and never overlap.

#include "ui/tui/layout.h"

#include <gtest/gtest.h>

#include "support/program_views.h"
#include "ui/tui/control_geometry.h"

namespace fesk::tui {
namespace {

using apprt::ControlKind;
using test::programView;

// An 80x24 terminal: menu bar, tool bar and status line, and the window's
// border, leave 78 x 19 cells inside a window.
constexpr int kInsideCols = 78;
constexpr int kInsideRows = 19;

bool overlap(const CellRect& a, const CellRect& b) {
  return a.col < b.col + b.width && b.col < a.col + a.width && a.row < b.row + b.height &&
         b.row < a.row + a.height;
}

// Controls shown at the same time never overlap, except what lies on a sheet.
void expectNoOverlaps(const apprt::WindowView& view, const WindowLayout& layout) {
  for (const auto& a : view.controls)
    for (const auto& b : view.controls) {
      if (a.field >= b.field || a.kind == ControlKind::Sheet || b.kind == ControlKind::Sheet)
        continue;
      if (!layout.controls.count(a.field) || !layout.controls.count(b.field)) continue;
      if (a.parent != b.parent && a.parent && b.parent) continue;  // on different tabs
      EXPECT_FALSE(overlap(layout.controls.at(a.field), layout.controls.at(b.field)))
          << view.title << ": fields " << a.field << " and " << b.field;
    }
}

TEST(PlaceEdgesTest, KeepsOrderAndEachSpansMinimum) {
  auto edges = placeEdges({{0, 10, 1, false}, {10, 20, 3, false}}, 20, 8.0);
  EXPECT_EQ(edges[0], 0);
  EXPECT_EQ(edges[10], 1);
  EXPECT_EQ(edges[20], 4);  // 20 units are 3 cells at this scale, but the span needs 3 of its own
}

TEST(PlaceEdgesTest, ASheetsTabStripPushesWhatStartsInsideIt) {
  auto edges = placeEdges({{4, 100, 1, true}, {6, 16, 1, false}}, 100, 8.0);
  EXPECT_EQ(edges[6], edges[4] + 1);
  EXPECT_GE(edges[16], edges[6] + 1);
}

TEST(PlaceEdgesTest, ControlsAtNearlyTheSameHeightShareALine) {
  auto edges = placeEdges({{167, 179, 1, false}, {170, 184, 1, false}}, 188, 14.0);
  EXPECT_EQ(edges[167], edges[170]);
}

TEST(LayoutTest, BrowseWindowFitsAn80By24Terminal) {
  auto view = programView(test::kBrowseModule, test::kWindowLabel, 15);
  WindowLayout layout = layoutWindow(view, kInsideCols, kInsideRows);
  EXPECT_LE(layout.rows, kInsideRows);
  EXPECT_LE(layout.cols, kInsideCols);
  const CellRect list = layout.controls.at(1);
  const CellRect sheet = layout.controls.at(2);
  // The header and one line per visible row, under the sheet's tab strip.
  ASSERT_EQ(view.control(1)->visibleRows, 15);
  EXPECT_GE(list.height, 16);
  EXPECT_EQ(list.row, sheet.row + 1);
  for (int button = 3; button <= 9; ++button)
    EXPECT_GE(layout.controls.at(button).row, list.row + list.height) << "button " << button;
  expectNoOverlaps(view, layout);
}

TEST(LayoutTest, ALargeTerminalShowsTheNaturalScale) {
  auto view = programView(test::kBrowseModule, test::kWindowLabel);
  WindowLayout layout = layoutWindow(view, 200, 60);
  EXPECT_DOUBLE_EQ(layout.unitsPerColumn, kUnitsPerColumn);
  EXPECT_DOUBLE_EQ(layout.unitsPerLine, kUnitsPerLine);
  EXPECT_EQ(layout.cols, 208 / 4);
  EXPECT_EQ(layout.controls.at(1).col, 8 / 4);
  EXPECT_EQ(layout.controls.at(1).width, 192 / 4);
}

TEST(LayoutTest, FormsFitAndKeepPromptsBesideTheirEntries) {
  for (const char* module : {test::kFesk1FormModule, test::kFesk2FormModule}) {
    auto view = programView(module, test::kWindowLabel);
    WindowLayout layout = layoutWindow(view, kInsideCols, kInsideRows);
    EXPECT_LE(layout.rows, kInsideRows) << module;
    for (auto [prompt, entry] : {std::pair{2, 3}, std::pair{4, 5}}) {
      EXPECT_EQ(layout.controls.at(prompt).row, layout.controls.at(entry).row) << module;
      EXPECT_LT(layout.controls.at(prompt).col, layout.controls.at(entry).col) << module;
      // A value of the picture's 20 characters fits.
      EXPECT_GE(layout.controls.at(entry).width, 20) << module;
    }
    EXPECT_LT(layout.controls.at(3).row, layout.controls.at(5).row) << module;
    expectNoOverlaps(view, layout);
  }
}

// Both versions of a record side by side, each value of 20 characters whole.
TEST(LayoutTest, TheConflictChoiceFitsWithEveryValueBesideItsPrompt) {
  for (const char* label : {test::kChangedChoiceLabel, test::kDeletedChoiceLabel}) {
    auto view = programView(test::kConflictChoiceModule, label);
    WindowLayout layout = layoutWindow(view, kInsideCols, kInsideRows);
    EXPECT_LE(layout.rows, kInsideRows) << label;
    EXPECT_LE(layout.cols, kInsideCols) << label;
    for (auto [prompt, entry] : {std::pair{4, 6}, std::pair{7, 9}}) {
      EXPECT_EQ(layout.controls.at(prompt).row, layout.controls.at(entry).row) << label;
      EXPECT_LT(layout.controls.at(prompt).col, layout.controls.at(entry).col) << label;
      EXPECT_GE(layout.controls.at(entry).width, 20) << label;
    }
    expectNoOverlaps(view, layout);
  }
}

TEST(LayoutTest, ASmallTerminalScalesDownRatherThanCuttingLists) {
  auto view = programView(test::kBrowseModule, test::kWindowLabel);
  WindowLayout layout = layoutWindow(view, 40, 19);
  EXPECT_LE(layout.cols, 40);
  EXPECT_GT(layout.unitsPerColumn, kUnitsPerColumn);
  EXPECT_GE(layout.controls.at(1).height, 16);
}

TEST(ColumnEdgesTest, ColumnsTakeTheirWidthsAndTheLastOneTheRest) {
  auto columns = apprt::parseListFormat("80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@");
  ASSERT_TRUE(columns);
  EXPECT_EQ(columnEdges(*columns, 47, 4.0), (std::vector<int>{0, 20, 47}));
  EXPECT_EQ(columnEdges(*columns, 30, 4.0), (std::vector<int>{0, 20, 30}));
  // A list narrower than its columns cuts them at its edge.
  EXPECT_EQ(columnEdges(*columns, 15, 4.0), (std::vector<int>{0, 15, 15}));
}

TEST(ListPartsTest, HeaderRowsAndScrollBarThumb) {
  auto view = programView(test::kBrowseModule, test::kWindowLabel, 15);
  apprt::ControlView list = *view.control(1);
  list.scrollBar = true;
  const CellRect rect{2, 1, 48, 16};
  list.thumb = 0;
  ListParts top = listParts(list, rect, 4.0);
  EXPECT_EQ(top.headerRow, 1);
  EXPECT_EQ(top.firstRow, 2);
  EXPECT_EQ(top.rowCount, 15);
  EXPECT_EQ(top.barCol, 49);
  EXPECT_EQ(top.rowsWidth, 47);
  EXPECT_EQ(top.thumbRow, 2);  // just under the up arrow
  list.thumb = 100;
  EXPECT_EQ(listParts(list, rect, 4.0).thumbRow, 15);  // just over the down arrow
  list.thumb = 50;
  ListParts middle = listParts(list, rect, 4.0);
  EXPECT_GT(middle.thumbRow, 2);
  EXPECT_LT(middle.thumbRow, 15);
}

}  // namespace
}  // namespace fesk::tui
