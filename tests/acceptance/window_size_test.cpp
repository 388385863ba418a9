// Windows made larger than their definition: the browse list grows with the
// window and shows a page of the rows that fit, on the same selected record.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class WindowSize : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    Records records;
    for (int n = 1; n <= 60; ++n) records.push_back({numbered('C', n), "Name"});
    seed(records);
  }
};

TEST_F(WindowSize, ATallerBrowseShowsMoreRowsAroundTheSameSelection) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.key("PgDn");
    user.row(3);
    auto browse = user.current();
    const auto list = control(browse, 1);
    ASSERT_EQ(list.rows.size(), 15u);
    const std::string selected = selectedCode(browse);
    const std::string top = codesOf(browse).front();

    user.resize(browse.width + 40, browse.height + 70);  // 70 units: 10 rows more
    browse = user.current();
    EXPECT_EQ(control(browse, 1).rect.height, list.rect.height + 70);
    EXPECT_EQ(control(browse, 1).rect.width, list.rect.width + 40);
    EXPECT_EQ(control(browse, 1).rows.size(), 25u);
    EXPECT_EQ(control(browse, 1).visibleRows, 25);
    EXPECT_EQ(selectedCode(browse), selected);
    EXPECT_EQ(codesOf(browse).front(), top);
    // The buttons under the list moved down with its bottom and kept their size.
    EXPECT_EQ(control(browse, 8).rect.y, 170 + 70) << "Close";
    EXPECT_EQ(control(browse, 8).rect.width, 45);
    user.key("Down");
    EXPECT_EQ(codesOf(user.current()).size(), 25u);

    user.resize(browse.width, browse.height);  // the definition's size again
    browse = user.current();
    EXPECT_EQ(control(browse, 1).rows.size(), 15u);
    EXPECT_EQ(control(browse, 8).rect.y, 170);
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(WindowSize, ASmallerSizeKeepsTheDefinitionsLayout) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    const auto before = user.current();
    user.resize(100, 80);
    const auto after = user.current();
    EXPECT_EQ(control(after, 1).rect, control(before, 1).rect);
    EXPECT_EQ(control(after, 1).rows.size(), 15u);
  });
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace fesk::test
