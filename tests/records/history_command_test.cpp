// fesk history as a user runs it, on each driver that keeps a history: the
// CSV of every change newest first, narrowed by file, code and date, and the
// pruning of old entries, which leaves the records alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "data/data_test_support.h"
#include "records/fesk_process.h"
#include "support/temporary_directory.h"

namespace fesk::test {
namespace {

constexpr std::string_view kHeader =
    "AT,WHO,STATION,CHANGE,FILE,ACTION,RECORD,CODE,FIELD,BEFORE,AFTER\r\n";

// The rows of a history CSV as FILE,ACTION,CODE,FIELD,BEFORE,AFTER (when,
// who, the station, the group and the record's identity vary from run to
// run), for values without commas.
std::vector<std::string> rows(const FeskRun& run) {
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.starts_with(kHeader)) << run.out;
  std::vector<std::string> found;
  std::istringstream lines(run.out.substr(std::min(kHeader.size(), run.out.size())));
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.ends_with('\r')) << line;
    std::vector<std::string> columns;
    std::istringstream fields(line.substr(0, line.size() - 1));
    for (std::string field; std::getline(fields, field, ',');) columns.push_back(field);
    columns.resize(11);
    found.push_back(columns[4] + "," + columns[5] + "," + columns[7] + "," + columns[8] + "," +
                    columns[9] + "," + columns[10]);
  }
  return found;
}

class HistoryCommandTest : public EveryDriverDataTest {
 protected:
  FeskRun fesk(std::vector<std::string> arguments) const {
    const auto options = optionsNaming(dataSet_);
    arguments.insert(arguments.end(), options.begin(), options.end());
    return runFesk(arguments);
  }

  TemporaryDirectory scratch_;
};

TEST_P(HistoryCommandTest, TheHistoryOfImportsAndChangesIsWrittenNewestFirstAndNarrowed) {
  seed({{"A", "alpha"}}, {{"A", "1"}});
  const auto csv = scratch_.path() / "add.csv";
  writeText(csv, "CODE,NAME\r\nB,bravo\r\n");
  const auto imported = fesk({"import", "FESK1", csv.string()});
  ASSERT_EQ(imported.status, 0) << imported.err;

  const auto output = scratch_.path() / "history.csv";
  const auto written = fesk({"history", "--output", output.string()});
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out, "");
  const FeskRun all{0, readText(output), ""};
  auto allRows = rows(all);
  ASSERT_EQ(allRows.size(), 6u) << all.out;
  // The seeds of both files may have been saved within one millisecond.
  std::sort(allRows.begin() + 2, allRows.end());
  EXPECT_EQ(allRows, (std::vector<std::string>{"FESK1,add,B,CODE,,B", "FESK1,add,B,NAME,,bravo",
                                               "FESK1,add,A,CODE,,A", "FESK1,add,A,NAME,,alpha",
                                               "FESK2,add,A,CODE,,A", "FESK2,add,A,NUMBER,,1"}))
      << all.out;
  EXPECT_EQ(rows(fesk({"history", "FESK2"})),
            (std::vector<std::string>{"FESK2,add,A,CODE,,A", "FESK2,add,A,NUMBER,,1"}));
  EXPECT_EQ(rows(fesk({"history", "--code", "b"})),
            (std::vector<std::string>{"FESK1,add,B,CODE,,B", "FESK1,add,B,NAME,,bravo"}))
      << "codes compare as the key does";
  EXPECT_EQ(rows(fesk({"history", "--since", "2999-01-01"})), std::vector<std::string>{});
  EXPECT_EQ(rows(fesk({"history", "--since", "2000-01-01T00:00"})).size(), 6u);

  const auto badDate = fesk({"history", "--since", "2026-11-31"});
  EXPECT_EQ(badDate.status, 2);
  EXPECT_NE(badDate.err.find("\"2026-11-31\" is no date"), std::string::npos) << badDate.err;
  EXPECT_EQ(fesk({"history", "FESK3"}).status, 2);
}

TEST_P(HistoryCommandTest, ACodesHistoryHoldsItsRecordsDeletedOnesTooFromTheMomentAsked) {
  seed({{"A", "alpha"}, {"B", "bravo"}}, {{"A", "1"}, {"A", "2"}, {"B", "3"}});
  // The seed's entries dated back, as if written long before the changes.
  if (dataSet_.store() == Store::kSqlite) {
    for (const std::string file : {"FESK1", "FESK2"}) {
      dataSet_.sql(file, "UPDATE history SET at = '2020-01-01T00:00:00.000Z'");
    }
  } else {
    dataSet_.sql("FESK1", "UPDATE history SET at = '2020-01-01 00:00:00+00'");
  }
  dataSet_.sql("FESK1", "UPDATE fesk1 SET name = 'alpha two' WHERE code = 'A'");
  dataSet_.sql("FESK2", "DELETE FROM fesk2 WHERE number = '2'");
  dataSet_.sql("FESK2", "UPDATE fesk2 SET number = '4' WHERE number = '3'");

  // The two files' changes may fall within one millisecond.
  auto recent = rows(fesk({"history", "--code", "a", "--since", "2021-01-01"}));
  std::sort(recent.begin(), recent.end());
  EXPECT_EQ(recent,
            (std::vector<std::string>{"FESK1,change,A,NAME,alpha,alpha two",
                                      "FESK2,delete,A,CODE,A,", "FESK2,delete,A,NUMBER,2,"}));
  EXPECT_EQ(rows(fesk({"history", "FESK2", "--code", "A"})),
            (std::vector<std::string>{"FESK2,delete,A,CODE,A,", "FESK2,delete,A,NUMBER,2,",
                                      "FESK2,add,A,CODE,,A", "FESK2,add,A,NUMBER,,2",
                                      "FESK2,add,A,CODE,,A", "FESK2,add,A,NUMBER,,1"}))
      << "newest first, the deleted record's entries among the others";
  EXPECT_EQ(rows(fesk({"history", "--code", "B", "--since", "2021-01-01T00:00"})),
            (std::vector<std::string>{"FESK2,change,B,NUMBER,3,4"}));
  EXPECT_EQ(rows(fesk({"history", "--code", "C"})), std::vector<std::string>{});
  // A record moved to another code keeps its past under the code it had.
  dataSet_.sql("FESK2", "UPDATE fesk2 SET code = 'D' WHERE number = '4'");
  const auto moved = rows(fesk({"history", "FESK2", "--code", "B", "--since", "2021-01-01"}));
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_NE(moved.front().find("CODE,B,D"), std::string::npos) << moved.front();
}

TEST_P(HistoryCommandTest, PruningRemovesOlderEntriesOnlyAndKeepsTheRecords) {
  seed({{"A", "alpha"}, {"B", "bravo"}}, {{"A", "1"}});
  const auto early = fesk({"history", "--prune-before", "2000-01-01"});
  EXPECT_EQ(early.status, 0) << early.err;
  EXPECT_EQ(early.out, "0 entries of the history before 2000-01-01 removed.\n");
  EXPECT_EQ(rows(fesk({"history"})).size(), 6u);

  const auto pruned = fesk({"history", "--prune-before", "2999-01-01"});
  EXPECT_EQ(pruned.status, 0) << pruned.err;
  EXPECT_EQ(pruned.out, "3 entries of the history before 2999-01-01 removed.\n");
  EXPECT_EQ(rows(fesk({"history"})), std::vector<std::string>{});
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"B", "bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "1"}}));
  EXPECT_EQ(fesk({"history", "--prune-before", "2999-01-01", "--code", "A"}).status, 2);
}

// A history CSV without its RECORD column: a copy gives records identities
// of its own.
std::string withoutRecords(const FeskRun& run) {
  EXPECT_EQ(run.status, 0) << run.err;
  std::string kept;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    std::size_t start = 0;
    for (int column = 0; column < 6; ++column) start = line.find(',', start) + 1;
    kept += line.substr(0, start) + line.substr(line.find(',', start) + 1) + "\n";
  }
  return kept;
}

TEST_P(HistoryCommandTest, ABackupAndARestoreCarryTheHistoryAndWriteNoneOfTheirOwn) {
  seed({{"A", "alpha"}, {"B", "bravo"}}, {{"A", "1"}, {"B", "2"}});
  dataSet_.sql("FESK1", "UPDATE fesk1 SET name = 'alpha two' WHERE code = 'A'");
  dataSet_.sql("FESK2", "DELETE FROM fesk2 WHERE code = 'B'");
  const std::string before = withoutRecords(fesk({"history"}));
  ASSERT_EQ(rows(fesk({"history"})).size(), 11u) << "4 adds and a delete of 2 fields, a change";
  const auto backup = scratch_.path() / "backup";
  const auto backedUp = fesk({"backup", backup.string()});
  ASSERT_EQ(backedUp.status, 0) << backedUp.err;
  EXPECT_EQ(withoutRecords(runFesk({"history", "--data-dir=" + backup.string()})), before);

  dataSet_.sql("FESK1", "UPDATE fesk1 SET name = 'later' WHERE code = 'B'");
  const auto restored = fesk({"restore", backup.string(), "--yes"});
  ASSERT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(withoutRecords(fesk({"history"})), before)
      << "the backup's history in place of its own";
}

// A backup of a data directory is a copy of its files, history and all.
class DataDirectoryHistoryTest : public DataTest {
 protected:
  TemporaryDirectory scratch_;
};

TEST_F(DataDirectoryHistoryTest, ABackupCarriesTheHistory) {
  seed({{"A", "alpha"}}, {{"A", "1"}});
  const std::string dataDir = "--data-dir=" + dataSet_.directory().string();
  const auto before = runFesk({"history", dataDir});
  ASSERT_EQ(rows(before).size(), 4u);
  const auto backup = scratch_.path() / "backup";
  ASSERT_EQ(runFesk({"backup", backup.string(), dataDir}).status, 0);
  EXPECT_EQ(runFesk({"history", "--data-dir=" + backup.string()}).out, before.out);
}

INSTANTIATE_TEST_SUITE_P(Drivers, HistoryCommandTest, driversThatCan(Capability::kHistory),
                         storeName);

}  // namespace
}  // namespace fesk::test
