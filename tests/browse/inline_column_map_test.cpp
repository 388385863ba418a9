// The in-line editor's column map and the field numbers of its controls.

#include <gtest/gtest.h>

#include <array>

#include "browse/inline_edit.h"
#include "browse/inline_edit_steps.h"
#include "runtime/frontend/constants.h"

namespace fesk::inline_edit {
namespace {

TEST(InLineColumnMap, EachNonZeroEntryIsASlotOnItsColumn) {
  EXPECT_EQ(readColumnMap("1,2"), (std::vector<Slot>{{1, 1}, {2, 2}}));
  EXPECT_EQ(readColumnMap("0,1"), (std::vector<Slot>{{1, 2}})) << "column 1 is not edited";
  EXPECT_EQ(readColumnMap("2,0,1"), (std::vector<Slot>{{2, 1}, {1, 3}}));
}

TEST(InLineColumnMap, TextAndEmptyEntriesEditNothing) {
  EXPECT_TRUE(readColumnMap("").empty());
  EXPECT_EQ(readColumnMap("x,,3"), (std::vector<Slot>{{3, 3}}));
  EXPECT_EQ(readColumnMap(" 1,2"), (std::vector<Slot>{{1, 1}, {2, 2}}));
}

TEST(InLineColumnMap, TheLastEntryIsReadFromItsFirstThreeCharacters) {
  EXPECT_EQ(readColumnMap("1,0024"), (std::vector<Slot>{{1, 1}, {2, 2}}));
  EXPECT_EQ(readColumnMap("0017"), (std::vector<Slot>{{1, 1}}));
}

TEST(InLineColumnMap, AtMostNinetyNineEntriesAreRead) {
  std::string map;
  for (int i = 0; i < 120; ++i) map += "1,";
  map += "1";
  const auto slots = readColumnMap(map);
  ASSERT_EQ(slots.size(), 99u);
  EXPECT_EQ(slots.back().column, 99);
}

TEST(InLineEditFields, ControlsCountFromTheFirstEditFieldOr101) {
  const std::array<int32_t, 2> types{apprt::kTypeEntry, apprt::kTypeEntry};
  EditCall call{1, types, readColumnMap("0,1,2")};
  EditSettings.FirstField = 0;
  EXPECT_EQ(call.fieldOfSlot(1), 101);
  EXPECT_EQ(call.fieldOfSlot(2), 102);
  EditSettings.FirstField = 201;
  EXPECT_EQ(call.fieldOfSlot(1), 201);
  EXPECT_EQ(call.slotOfField(202), 2);
  EXPECT_EQ(call.slotOfField(203), 0);
  EXPECT_EQ(call.fieldOfSlot(3), 0) << "no third slot";
  EXPECT_TRUE(call.isEditControl(202));
  EXPECT_FALSE(call.isEditControl(200));
  EXPECT_FALSE(call.isEditControl(203));
  EditSettings.FirstField = 0;
}

}  // namespace
}  // namespace fesk::inline_edit
