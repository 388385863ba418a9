// The moments of history entries as both drivers tell them, whatever side of
// 1970 and of a leap day they fall on.
#include "drivers/common/history_moment.h"

#include <gtest/gtest.h>

namespace fesk::test {
namespace {

TEST(HistoryMomentTest, IsUtcToTheMillisecondOnEitherSideOf1970) {
  EXPECT_EQ(drivers::historyMoment(0), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(drivers::historyMoment(-1), "1969-12-31T23:59:59.999Z");
  EXPECT_EQ(drivers::historyMoment(951782400123), "2000-02-29T00:00:00.123Z");
  EXPECT_EQ(drivers::historyMoment(1700000000005), "2023-11-14T22:13:20.005Z");
}

}  // namespace
}  // namespace fesk::test
