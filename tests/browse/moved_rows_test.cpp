// A record that another station re-codes while its row is on the page: the
// row names it at its old code until the page is read again, and scrolling
// on meets the record once more at its new code. It shows once, and the
// list goes on past it to the records that follow.

#include <set>

#include "browse_harness.h"

namespace fesk::browsetest {
namespace {

class MovedRows : public BrowseTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    addCodes(40);
    if (GetParam()) {
      browse.useView = true;
      browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseUseView, 1, false); };
    }
    open(browse);
  }

  static void recodeElsewhere(const std::string& from, const std::string& to) {
    otherUser(from, [&] {
      BRCODES.buffer().CODE = to;
      BRCODES.put();
    });
  }

  // The names shown: each record's own, so a record shown twice repeats one.
  std::vector<std::string> shownNames() const {
    std::vector<std::string> names;
    for (const auto& row : list().rows) names.push_back(row.at(1));
    return names;
  }
  static bool eachOnce(const std::vector<std::string>& names) {
    return std::set<std::string>(names.begin(), names.end()).size() == names.size();
  }

  BrowseProcedure browse{BRCODES, CODE_KEY};
};

TEST_P(MovedRows, ScrollingDownMeetsARecodedRowOnceAndGoesOn) {
  session->key("PgDn");  // onto the last row, C015
  recodeElsewhere("C003", "C0165");
  session->key("Down");
  EXPECT_EQ(shownFirst().back(), "C016");
  session->key("Down");  // the next record is C003's, now C0165: on the page already
  EXPECT_TRUE(eachOnce(shownNames())) << ::testing::PrintToString(shownNames());
  EXPECT_EQ(shownFirst().back(), "C017") << "the list goes on past it";
  session->key("Down");
  EXPECT_EQ(shownFirst().back(), "C018");
}

TEST_P(MovedRows, ScrollingUpMeetsARecodedRowOnceAndGoesOn) {
  session->key("Ctrl+PgDn");
  session->key("PgUp");  // onto the first row, C026
  recodeElsewhere("C038", "C0245");
  session->key("Up");
  EXPECT_EQ(shownFirst().front(), "C025");
  session->key("Up");
  EXPECT_TRUE(eachOnce(shownNames())) << ::testing::PrintToString(shownNames());
  EXPECT_EQ(shownFirst().front(), "C024") << "the list goes on past it";
}

INSTANTIATE_TEST_SUITE_P(FileOrView, MovedRows, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "View" : "File"; });

}  // namespace
}  // namespace fesk::browsetest
