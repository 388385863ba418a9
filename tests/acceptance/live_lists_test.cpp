// Lists that follow the data set: station B's browse shows what another
// program (station A, a process of its own) commits, with no gesture at B,
// on every driver that other processes share. The selected record keeps its
// row, or its neighbour takes it when it is gone; a burst of changes in one
// transaction reads the list once.

#include "acceptance_support.h"
#include "other_station.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

using headless::Session;

class LiveLists : public TwoStationsTest {
 protected:
  void SetUp() override {
    TwoStationsTest::SetUp();
    seed({{"C010", "Alpha"}, {"C020", "Beta"}, {"C030", "Gamma"}});
    startOtherStation();
  }

  // Waits, with no gesture, until B's list shows these codes.
  static bool showsCodes(Session& user, const std::vector<std::string>& codes) {
    return waitUntil([&] { return codesOf(user.current()) == codes; });
  }
};

TEST_P(LiveLists, ListShowsInsertChangeRecodeAndDeleteOfAnotherStation) {
  runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    ASSERT_EQ(selectedCode(user.current()), "C020");

    station_->commit("FESK1", "INSERT INTO fesk1 (code, name) VALUES ('C015', 'Added')");
    ASSERT_TRUE(showsCodes(user, {"C010", "C015", "C020", "C030"}));
    EXPECT_EQ(selectedCode(user.current()), "C020") << "the selected record keeps its selection";

    station_->commit("FESK1", "UPDATE fesk1 SET name = 'Changed' WHERE code = 'C030'");
    ASSERT_TRUE(waitUntil([&] { return rowsOf(user.current(), 1).back().second == "Changed"; }));

    station_->commit("FESK1", "UPDATE fesk1 SET code = 'C040' WHERE code = 'C015'");
    ASSERT_TRUE(showsCodes(user, {"C010", "C020", "C030", "C040"}));

    station_->commit("FESK1", "DELETE FROM fesk1 WHERE code = 'C020'");
    ASSERT_TRUE(showsCodes(user, {"C010", "C030", "C040"}));
    // Read again from where the gone record stood, the record above it comes first.
    EXPECT_EQ(selectedCode(user.current()), "C010") << "its neighbour takes the selection";
    user.waitIdle();
    EXPECT_GE(user.frontEnd().followedReloads(), 4);
  });
  EXPECT_TRUE(transcriptHas("list followed the data set: \"" + kBrowseTitle + "\" 1"));
}

// A re-code that a cascade carries to 10,000 children, in one transaction:
// B's list is read once (its FESK2 changes are no list's of B).
TEST_P(LiveLists, ACascadeReadsTheListOnce) {
  dataSet_.sql("FESK2",
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
               "INSERT INTO fesk2 (code, number) SELECT 'C010', CAST(i AS TEXT) FROM n");
  runProgram([&](Session& user) {
    user.menu("&fesk");
    const int before = user.frontEnd().followedReloads();
    // SQLite keeps each file in a database of its own: one transaction over both.
    const bool files = GetParam() == Store::kSqlite;
    const std::string children = files ? "children.fesk2" : "fesk2";
    station_->commit(
        "FESK1",
        (files ? "ATTACH '" + (dataSet_.directory() / "FESK2.sqlite").string() + "' AS children; "
               : std::string()) +
            "BEGIN; UPDATE " + children + " SET code = 'C050' WHERE code = 'C010'; " +
            "UPDATE fesk1 SET code = 'C050' WHERE code = 'C010'; COMMIT");
    ASSERT_TRUE(showsCodes(user, {"C020", "C030", "C050"}));
    user.waitIdle();
    EXPECT_EQ(user.frontEnd().followedReloads() - before, 1);
  });
}

// An in-line row being typed into is not read again under the user: the
// change elsewhere shows once the row is saved, with the typing kept.
TEST_P(LiveLists, RowBeingEditedIsLeftAloneUntilSaved) {
  runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(1);
    user.key("Enter");
    user.key("Tab");
    user.type("Typed at B");
    station_->commit("FESK1", "UPDATE fesk1 SET name = 'Changed at A' WHERE code = 'C030'");
    user.type(" still");
    EXPECT_EQ(control(user.current(), 202).text.substr(0, 16), "Typed at B still");
    user.key("Ctrl+Enter");
    ASSERT_TRUE(waitUntil([&] {
      const Records rows = rowsOf(user.current(), 1);
      return rows.front().second == "Typed at B still" && rows.back().second == "Changed at A";
    }));
  });
}

// A data set on a server made before its tables told of their changes gains
// the trigger at the next open, and its lists follow from then on.
TEST_P(LiveLists, AServerDataSetMadeWithoutTheChangeTriggerFollowsOnceOpened) {
  if (GetParam() != Store::kPostgres) GTEST_SKIP() << "SQLite files are followed without triggers";
  // Made so before station B starts: B takes the data set's lock (its
  // start) again after the trigger is gone.
  lock_.release();
  dataSet_.sql("FESK1", "DROP TRIGGER fesk1_changed ON fesk1");
  std::string why;
  ASSERT_TRUE(lock_.share(dataSet_.conninfo(), dataSet_.schema(), why)) << why;
  runProgram([&](Session& user) {
    user.menu("&fesk");
    station_->commit("FESK1", "INSERT INTO fesk1 (code, name) VALUES ('C015', 'Added')");
    EXPECT_TRUE(showsCodes(user, {"C010", "C015", "C020", "C030"}));
  });
}

INSTANTIATE_TEST_SUITE_P(Stores, LiveLists, driversThatCan(Capability::kSharedByProcesses),
                         storeName);

}  // namespace
}  // namespace fesk::test
