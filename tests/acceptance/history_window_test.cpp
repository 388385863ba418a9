// The history window: a record's changes and those of its fesk2 records,
// newest first, with when, who, the station and what changed, a page at a
// time; and the deleted records, one of which Undelete adds back with its
// fesk2 records unless its code is taken.

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "acceptance_support.h"
#include "other_station.h"
#include "runtime/files/change_author.h"

namespace fesk::test {
namespace {

using headless::Session;
using Rows = std::vector<std::vector<std::string>>;

const Records kFesk1 = {{"A1", "Alpha"}, {"B2", "Bravo"}};
const Records kFesk2 = {{"A1", "n1"}, {"A1", "n2"}, {"B2", "m1"}};
const std::string kDeletedTitle = "Deleted Records";
const std::string kHistoryOfA1 = "History of the fesk1 record \"A1\"";

// Columns of the history window's list.
constexpr std::size_t kWhen = 0;
constexpr std::size_t kWho = 1;
constexpr std::size_t kStation = 2;
constexpr std::size_t kWhat = 3;

class HistoryWindow : public TwoStationsTest {
 protected:
  void SetUp() override {
    TwoStationsTest::SetUp();
    seed(kFesk1, kFesk2);
  }

  static Rows rows(Session& user) { return control(user.current(), 1).rows; }

  static std::vector<std::string> whats(const Rows& rows) {
    std::vector<std::string> texts;
    for (const auto& row : rows) texts.push_back(row.at(kWhat));
    return texts;
  }

  static void rename(Session& user, int row, const std::string& name) {
    user.row(row);
    user.click("&Change");
    ASSERT_EQ(user.current().title, kChangeFesk1Title);
    fill(user, "&name:", name);
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle);
  }

  static void deleteRow(Session& user, int row) {
    user.row(row);
    user.answer(apprt::kButtonOk);
    user.click("&Delete");
  }
};

TEST_P(HistoryWindow, ShowsTheRecordsChangesAndItsChildrensNewestFirstWithWhoAndStation) {
  startOtherStation();
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    rename(user, 1, "Alpha two");
    rename(user, 1, "Alpha three");
    station_->commit("FESK2", "UPDATE fesk2 SET number = 'n9' WHERE number = 'n1'");
    rename(user, 2, "Bravo two");  // another record's change is not shown

    user.row(1);
    user.key("F7");
    ASSERT_EQ(user.current().title, kHistoryOfA1);
    const Rows shown = rows(user);
    ASSERT_EQ(shown.size(), 6u) << "three changes and the adds of A1, n1 and n2";
    EXPECT_EQ(whats({shown.begin(), shown.begin() + 3}),
              (std::vector<std::string>{"Changed fesk2: NUMBER: n1 -> n9",
                                        "Changed fesk1: NAME: Alpha two -> Alpha three",
                                        "Changed fesk1: NAME: Alpha -> Alpha two"}));
    // The seed's adds, of one moment or not.
    std::vector<std::string> adds = whats({shown.begin() + 3, shown.end()});
    std::ranges::sort(adds);
    EXPECT_EQ(adds, (std::vector<std::string>{"Added fesk1: CODE: A1, NAME: Alpha",
                                              "Added fesk2: CODE: A1, NUMBER: n1",
                                              "Added fesk2: CODE: A1, NUMBER: n2"}));
    EXPECT_NE(shown[0].at(kStation), apprt::changeStation()) << "the other station's change";
    for (int row : {1, 2}) {
      EXPECT_EQ(shown[row].at(kStation), apprt::changeStation());
      EXPECT_FALSE(shown[row].at(kWho).empty());
    }
    for (const auto& row : shown) {
      EXPECT_TRUE(std::regex_match(row.at(kWhen), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
          << row.at(kWhen);
    }
    EXPECT_FALSE(control(user.current(), 2).enabled) << "no undelete on a record's own history";

    // The same window from the record's change form, by the frame's menu.
    user.key("Esc");
    ASSERT_EQ(user.current().title, kBrowseTitle);
    user.row(1);
    user.click("&Change");
    user.menu("&History...");
    ASSERT_EQ(user.current().title, kHistoryOfA1);
    EXPECT_EQ(rows(user), shown);
    user.close();
    EXPECT_EQ(user.current().title, kChangeFesk1Title);
    user.click("Cancel");
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_P(HistoryWindow, PagingShowsEveryEntryOnceInOrder) {
  startOtherStation();
  constexpr int kChanges = 40;
  std::string renames;
  std::vector<std::string> expected;  // newest first
  for (int n = 1; n <= kChanges; ++n) {
    const std::string before = n == 1 ? "Bravo" : numbered('N', n - 1);
    renames += "UPDATE fesk1 SET name = '" + numbered('N', n) + "' WHERE code = 'B2';";
    expected.insert(expected.begin(), "Changed fesk1: NAME: " + before + " -> " + numbered('N', n));
  }
  expected.emplace_back("Changed fesk2: NUMBER: m1 -> m2");
  station_->commit("FESK2", "UPDATE fesk2 SET number = 'm2' WHERE code = 'B2'");
  station_->commit("FESK1", renames);

  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    user.key("F7");
    const auto page = static_cast<std::size_t>(control(user.current(), 1).visibleRows);
    ASSERT_GT(page, 1u);
    ASSERT_LT(page, expected.size() / 2) << "more than two pages";
    // The seed's adds come last, the parent's first when they are of one moment.
    user.key("Ctrl+End");
    const auto oldest = whats(rows(user));
    ASSERT_GE(oldest.size(), 2u);
    const std::vector<std::string> adds(oldest.end() - 2, oldest.end());
    const std::vector<std::string> seeded{"Added fesk1: CODE: B2, NAME: Bravo",
                                          "Added fesk2: CODE: B2, NUMBER: m1"};
    EXPECT_TRUE(std::is_permutation(adds.begin(), adds.end(), seeded.begin(), seeded.end()));
    expected.insert(expected.end(), adds.begin(), adds.end());
    user.key("Ctrl+Home");

    // Each page down shows the entries after the last page, the last page full.
    std::vector<std::string> seen = whats(rows(user));
    EXPECT_EQ(seen, std::vector<std::string>(expected.begin(), expected.begin() + page));
    for (int downs = 0; seen.size() < expected.size() && downs < 10; ++downs) {
      user.key("PgDn");
      const auto shown = whats(rows(user));
      ASSERT_EQ(shown.size(), page);
      const auto at = std::search(expected.begin(), expected.end(), shown.begin(), shown.end());
      ASSERT_NE(at, expected.end()) << "a page is a run of the entries in order";
      const auto from = static_cast<std::size_t>(at - expected.begin());
      ASSERT_LE(from, seen.size()) << "no entry passed over";
      seen.insert(seen.end(), shown.begin() + static_cast<long>(seen.size() - from), shown.end());
    }
    EXPECT_EQ(seen, expected);
    const std::vector<std::string> last(expected.end() - static_cast<long>(page), expected.end());
    EXPECT_EQ(whats(rows(user)), last);
    user.key("PgDn");
    EXPECT_EQ(whats(rows(user)), last) << "nothing beyond the oldest";
    EXPECT_EQ(control(user.current(), 1).selected, static_cast<int>(page));

    // Back up a page (the first press goes to the page's first row), a row,
    // and to both ends.
    user.key("PgUp");
    EXPECT_EQ(whats(rows(user)), last);
    EXPECT_EQ(control(user.current(), 1).selected, 1);
    user.key("PgUp");
    EXPECT_EQ(whats(rows(user)),
              std::vector<std::string>(expected.end() - 2 * static_cast<long>(page),
                                       expected.end() - static_cast<long>(page)));
    user.key("Ctrl+Home");
    EXPECT_EQ(whats(rows(user)),
              std::vector<std::string>(expected.begin(), expected.begin() + page));
    EXPECT_EQ(control(user.current(), 1).selected, 1);
    for (std::size_t row = 1; row < page; ++row) user.key("Down");
    user.key("Down");
    EXPECT_EQ(whats(rows(user)),
              std::vector<std::string>(expected.begin() + 1, expected.begin() + page + 1))
        << "Down on the last row brings the next entry up";
    user.key("Ctrl+End");
    EXPECT_EQ(whats(rows(user)), last);
    EXPECT_EQ(control(user.current(), 1).thumb, apprt::kThumbBottom);

    // The thumb let go of in the upper half shows the newest entries, in the
    // lower half the oldest; between the ends it stands between.
    user.scroll(apprt::kScrollThumbPosition, 30);
    EXPECT_EQ(whats(rows(user)),
              std::vector<std::string>(expected.begin(), expected.begin() + page));
    EXPECT_EQ(control(user.current(), 1).thumb, apprt::kThumbTop);
    user.key("PgDn");
    user.key("PgDn");
    EXPECT_EQ(control(user.current(), 1).thumb, apprt::kThumbMiddle);
    user.scroll(apprt::kScrollThumbPosition, 70);
    EXPECT_EQ(whats(rows(user)), last);
    EXPECT_EQ(control(user.current(), 1).thumb, apprt::kThumbBottom);
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_P(HistoryWindow, UndeleteAddsTheRecordBackWithItsChildrenAsAdds) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    deleteRow(user, 1);
    ASSERT_EQ(storedFesk1(), (Records{{"B2", "Bravo"}}));

    user.menu("&Deleted Records...");
    ASSERT_EQ(user.current().title, kDeletedTitle);
    ASSERT_EQ(whats(rows(user)),
              (std::vector<std::string>{"Deleted fesk1: CODE: A1, NAME: Alpha"}));
    user.row(1);
    user.key("Alt+U");
    EXPECT_EQ(storedFesk1(), kFesk1);
    EXPECT_EQ(storedFesk2(), kFesk2);
    EXPECT_TRUE(user.frontEnd().messageBoxes().size() == 1) << "the delete's confirmation only";

    ASSERT_TRUE(user.window(kBrowseTitle));
    user.useWindow(kBrowseTitle);
    EXPECT_EQ(rowsOf(user.current(), 1), kFesk1) << "the browse shows it again";
    user.row(1);
    user.key("F7");
    user.useWindow(kHistoryOfA1);
    const auto shown = whats(rows(user));
    ASSERT_EQ(shown.size(), 3u) << "a new record: its adds and its children's";
    EXPECT_EQ(shown[0], "Added fesk1: CODE: A1, NAME: Alpha");
    EXPECT_EQ(std::vector<std::string>(shown.begin() + 1, shown.end()),
              (std::vector<std::string>{"Added fesk2: CODE: A1, NUMBER: n2",
                                        "Added fesk2: CODE: A1, NUMBER: n1"}));
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_P(HistoryWindow, UndeleteOfATakenCodeIsRefusedAndWritesNothing) {
  startOtherStation();
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    deleteRow(user, 1);
    user.click("&Insert");
    fill(user, "&code:", "a1");
    fill(user, "&name:", "Another");
    user.click("OK");
    const Records now = {{"a1", "Another"}, {"B2", "Bravo"}};
    ASSERT_EQ(storedFesk1(), now);

    user.menu("&Deleted Records...");
    user.row(1);
    user.click("&Undelete");
    const auto& boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes.back().request.text,
              "Cannot undelete: another fesk1 record has the code \"A1\" now.");
    EXPECT_EQ(storedFesk1(), now);
    EXPECT_EQ(storedFesk2(), (Records{{"B2", "m1"}}));
    EXPECT_EQ(user.current().title, kDeletedTitle) << "the window stays for another choice";

    // The deleted record's own history, without the fesk2 records under the
    // code now, which belong to the record that has it.
    station_->commit("FESK2", "INSERT INTO fesk2 (code, number) VALUES ('a1', 'x1')");
    user.click("&History");
    user.useWindow(kHistoryOfA1);
    EXPECT_EQ(whats(rows(user)), (std::vector<std::string>{"Deleted fesk1: CODE: A1, NAME: Alpha",
                                                           "Added fesk1: CODE: A1, NAME: Alpha"}));
  });
  EXPECT_EQ(exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, HistoryWindow, driversThatCan(Capability::kHistory), storeName);

}  // namespace
}  // namespace fesk::test
