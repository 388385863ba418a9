// Copying a data set into another through two drivers: every record, in an
// order that keeps every key's order, or nothing at all.

#include "records/data_set_copy.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "data/data_files.h"
#include "data/data_test_support.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "records/csv_export.h"
#include "records/data_set_files.h"
#include "records/fesk_process.h"
#include "runtime/files/bulk_add.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_history.h"
#include "runtime/files/file_transaction.h"
#include "support/tcp_relay.h"
#include "support/temporary_directory.h"
#include "support/test_server.h"

namespace fesk::test {
namespace {

using records::copyDataSet;
using records::CopyOptions;

// Every file of a data set as CSV, in the order of every key.
std::string everyOrder(apprt::Driver& driver) {
  std::string all;
  std::thread([&] {
    const records::DataSetFiles files(driver);
    for (const auto* file : files.all()) {
      for (const auto& key : file->keys()) {
        std::ostringstream out;
        const auto outcome = records::exportCsv(*file, key, out);
        all += outcome.done ? out.str() : outcome.why;
      }
    }
  }).join();
  return all;
}

class DataSetCopyTest : public DataTest {
 protected:
  // Equal names and codes in an order of their own, so that the copy must
  // keep the order of equal key values.
  void SetUp() override {
    DataTest::SetUp();
    seed({{"B", "same"}, {"C", "other"}, {"A", "same"}, {"D", "Same"}},
         {{"B", "2"}, {"A", "1"}, {"B", "1"}, {"b", "3"}});
    source_.emplace(dataSet_.directory());
  }

  std::optional<sqlite::SqliteDriver> source_;
  TemporaryDirectory targetDirectory_;
  sqlite::SqliteDriver target_{targetDirectory_.path()};
};

TEST_F(DataSetCopyTest, TheCopyHoldsEveryRecordInEveryOrder) {
  const auto outcome = copyDataSet(*source_, target_);
  ASSERT_TRUE(outcome.done) << outcome.why;
  ASSERT_EQ(outcome.counts.size(), 2u);
  EXPECT_EQ(outcome.counts[0].records, 4u);
  EXPECT_EQ(outcome.counts[1].records, 4u);
  EXPECT_EQ(everyOrder(target_), everyOrder(*source_));
  EXPECT_NE(everyOrder(target_).find("B,same\r\nA,same\r\nD,Same\r\n"), std::string::npos);
}

TEST_F(DataSetCopyTest, ATargetWithRecordsIsReplacedOnlyWhenAskedAndWhollyOrNotAtAll) {
  ASSERT_TRUE(copyDataSet(*source_, target_).done);
  const std::string before = everyOrder(target_);
  seed({{"X", "new"}, {"Y", "new"}, {"Z", "new"}}, {{"X", "1"}});

  const auto refused = copyDataSet(*source_, target_);
  EXPECT_TRUE(refused.targetHoldsRecords);
  EXPECT_TRUE(refused.counts.empty());

  apprt::FaultDriver faults(target_);
  faults.failOn(apprt::DriverOperation::kAdd, apprt::kDriverError, 4);
  const auto failed = copyDataSet(*source_, faults, {.replace = true});
  EXPECT_EQ(failed.why,
            "cannot copy a record into FESK2: File Driver Error (90): injected failure");
  const auto stopped =
      copyDataSet(*source_, target_, {.replace = true, .progress = [](auto) { return false; }});
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(everyOrder(target_), before) << "the target is as it was";

  // A stop asked while the last records are stored comes before the commit.
  std::vector<std::uint64_t> told;
  const auto lateStop = copyDataSet(*source_, target_, {.replace = true, .progress = [&](auto n) {
                                                          told.push_back(n);
                                                          return told.size() < 3;
                                                        }});
  EXPECT_TRUE(lateStop.stopped);
  EXPECT_EQ(told, (std::vector<std::uint64_t>{3, 4, 4}))
      << "after each file, then as its history is carried";
  EXPECT_EQ(everyOrder(target_), before) << "the target is as it was";

  ASSERT_TRUE(copyDataSet(*source_, target_, {.replace = true}).done);
  EXPECT_EQ(everyOrder(target_), everyOrder(*source_));
}

// Records sent as a copy sends them, rolled back at the first refusal: an
// emptied file takes them as they come, and every record that repeats an
// earlier one's unique value is told with where both came from.
TEST_F(DataSetCopyTest, RecordsAddedUntilARefusalTellEveryRepeatWithItsPlaces) {
  seed({{"Z", "stored"}}, {});
  const auto image = [](const std::string& code, const std::string& name) {
    std::string record(FESK1.recordLength(), ' ');
    FESK1.fieldIn(std::span<char>(record), 0).assign(code);
    FESK1.fieldIn(std::span<char>(record), 1).assign(name);
    return record;
  };
  FESK1.open(apprt::kOpenSharedReadWrite);
  apprt::beginTransaction(1, {&FESK1});
  FESK1.setOnKey(FES_KEYCODE);
  for (FESK1.next(); apprt::ERRCODE() == apprt::kNoError; FESK1.next()) FESK1.remove();
  std::vector<apprt::BulkRefusal> refused;
  {
    const apprt::BulkAdd bulk(FESK1, std::nullopt, apprt::OnRefusal::kRollBack);
    ASSERT_TRUE(bulk.offered());
    // (code, name, place, last place): the places of a record sent over
    // many lines, and those that follow it, are told as sent.
    const std::vector<std::tuple<std::string, std::string, int, int>> sent = {
        {"A", "1", 2, 2}, {"b", "2", 3, 3}, {"a", "3", 4, 6},
        {"C", "4", 7, 7}, {"B", "5", 8, 8}, {"a", "6", 9, 9}};
    for (const auto& [code, name, place, lastPlace] : sent) {
      const std::string record = image(code, name);
      std::copy(record.begin(), record.end(), FESK1.recordBytes().begin());
      bulk.send(place, lastPlace);
      ASSERT_EQ(apprt::ERRCODE(), apprt::kNoError);
    }
    refused = bulk.finish();
    EXPECT_EQ(apprt::ERRCODE(), apprt::kNoError);
  }
  apprt::rollbackTransaction();
  FESK1.close();

  using Told = std::tuple<std::uint64_t, std::uint64_t, apprt::BulkRefusal::Reason, std::uint64_t,
                          std::string>;
  std::vector<Told> told;
  told.reserve(refused.size());
  for (const auto& refusal : refused) {
    told.emplace_back(refusal.place, refusal.lastPlace, refusal.reason, refusal.earlierPlace,
                      refusal.record);
  }
  constexpr auto kEarlier = apprt::BulkRefusal::Reason::kEarlierDuplicate;
  EXPECT_EQ(told, (std::vector<Told>{{4, 6, kEarlier, 2, image("a", "3")},
                                     {8, 8, kEarlier, 3, image("B", "5")},
                                     {9, 9, kEarlier, 2, image("a", "6")}}));
  EXPECT_EQ(storedFesk1(), (Records{{"Z", "stored"}})) << "the rollback left the file as it was";
}

TEST_F(DataSetCopyTest, ASourceWithoutItsDataFilesIsRefused) {
  std::filesystem::remove(dataSet_.directory() / "FESK2.sqlite");
  const auto outcome = copyDataSet(*source_, target_);
  EXPECT_EQ(outcome.why, "the source has no FESK2");
  EXPECT_EQ(everyOrder(target_), "CODE,NAME\r\nCODE,NAME\r\nCODE,NUMBER\r\n")
      << "the target's files were made, but hold nothing";
}

// The names in a directory, so that nothing left behind goes unseen.
std::set<std::string> namesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

TEST_F(DataSetCopyTest, ATargetTakenAloneGetsWholeCopiesOrStaysAsItWas) {
  const CopyOptions alone{.targetAlone = true};
  const auto outcome = copyDataSet(*source_, target_, alone);
  ASSERT_TRUE(outcome.done) << outcome.why;
  ASSERT_EQ(outcome.counts.size(), 2u);
  EXPECT_EQ(outcome.counts[1].file, "FESK2");
  EXPECT_EQ(outcome.counts[1].records, 4u);
  EXPECT_EQ(everyOrder(target_), everyOrder(*source_));
  const std::string before = everyOrder(target_);
  const auto files = namesIn(targetDirectory_.path());
  seed({{"X", "new"}, {"Y", "new"}, {"Z", "new"}}, {{"X", "1"}});

  EXPECT_TRUE(copyDataSet(*source_, target_, alone).targetHoldsRecords);
  auto stopAt = [](std::uint64_t) { return false; };
  const auto stopped =
      copyDataSet(*source_, target_, {.replace = true, .progress = stopAt, .targetAlone = true});
  EXPECT_TRUE(stopped.stopped);
  {
    // Another program writing the source keeps the copy waiting; in vain here.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(databaseOf(FESK2).c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto held =
        copyDataSet(*source_, target_, {.replace = true, .waitSeconds = 1, .targetAlone = true});
    sqlite3_close_v2(writer);
    EXPECT_FALSE(held.done);
    EXPECT_NE(held.why.find("cannot copy the files: File Driver Error (90)"), std::string::npos)
        << held.why;
  }
  EXPECT_EQ(everyOrder(target_), before) << "the target is as it was";
  EXPECT_EQ(namesIn(targetDirectory_.path()), files) << "and nothing was left beside it";

  ASSERT_TRUE(copyDataSet(*source_, target_, {.replace = true, .targetAlone = true}).done);
  EXPECT_EQ(everyOrder(target_), everyOrder(*source_));
  EXPECT_EQ(namesIn(targetDirectory_.path()), files);
}

// A copy into a data set on a server, whose sessions wait `answerTimeout` for
// a network that says nothing (30 s by default).
class ServerCopyTest : public DataSetCopyTest {
 protected:
  static postgres::SessionRules waitingAtMost(std::chrono::milliseconds answerTimeout) {
    return {.answerTimeout = answerTimeout,
            .connectTimeoutSeconds = 2,
            .retryPause = {},
            .beforeWork = {}};
  }

  ScratchDataSet server_{Store::kPostgres};
};

TEST_F(ServerCopyTest, WorkLongerThanTheServersTimeOutIsWaitedForWhileTheServerWorks) {
  ASSERT_TRUE(copyDataSet(*source_, server_.driver()).done);
  // Each statement that adds to FESK1 now takes longer than the answer time-out.
  server_.sql("FESK1",
              "CREATE FUNCTION slow_adds() RETURNS trigger LANGUAGE plpgsql AS "
              "$$BEGIN PERFORM pg_sleep(2.2); RETURN NULL; END$$; "
              "CREATE TRIGGER slow_adds AFTER INSERT ON fesk1 "
              "FOR EACH STATEMENT EXECUTE FUNCTION slow_adds()");
  postgres::PgDriver slow(server_.conninfo(), server_.schema(),
                          waitingAtMost(std::chrono::milliseconds(1600)));

  const auto outcome = copyDataSet(*source_, slow, {.replace = true});
  ASSERT_TRUE(outcome.done) << outcome.why;
  EXPECT_EQ(outcome.counts[0].records, 4u);
  EXPECT_EQ(everyOrder(slow), everyOrder(*source_));
}

TEST_F(ServerCopyTest, AStopAskedWhileTheRecordsAreStoredCancelsTheStore) {
  ASSERT_TRUE(copyDataSet(*source_, server_.driver()).done);
  const std::string before = everyOrder(server_.driver());
  server_.sql("FESK1",
              "CREATE FUNCTION slow_adds() RETURNS trigger LANGUAGE plpgsql AS "
              "$$BEGIN PERFORM pg_sleep(0.2); RETURN NULL; END$$; "
              "CREATE TRIGGER slow_adds AFTER INSERT ON fesk1 "
              "FOR EACH ROW EXECUTE FUNCTION slow_adds()");

  // The progress is told once for each file read and once before the
  // commit: a fourth report can only be asked while the records are stored,
  // and the stop it answers must cancel the store.
  int reports = 0;
  const auto outcome =
      copyDataSet(*source_, server_.driver(),
                  {.replace = true, .progress = [&](auto) { return ++reports < 4; }});
  EXPECT_TRUE(outcome.stopped) << outcome.why;
  EXPECT_EQ(reports, 4);
  EXPECT_EQ(everyOrder(server_.driver()), before) << "the target is as it was";
}

TEST_F(ServerCopyTest, ANetworkThatStallsInACopyEndsItInTheAnswerTimeWithTheTargetAsItWas) {
  ASSERT_TRUE(copyDataSet(*source_, server_.driver()).done);
  const std::string before = everyOrder(server_.driver());
  TcpRelay relay(serverSocket(sharedTestServer()));
  postgres::PgDriver remote(relay.address() + " user=fesk dbname=postgres", server_.schema(),
                            waitingAtMost(std::chrono::milliseconds(1500)));

  const auto started = std::chrono::steady_clock::now();
  const auto outcome = copyDataSet(*source_, remote, {.replace = true, .progress = [&](auto) {
                                                        relay.stall();
                                                        return true;
                                                      }});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_FALSE(outcome.done);
  EXPECT_NE(outcome.why.find("is not answering: nothing came back in 2 s"), std::string::npos)
      << outcome.why;
  EXPECT_EQ(everyOrder(server_.driver()), before) << "the target is as it was";
}

// A file's name and one entry of its history.
using FileEntry = std::pair<std::string, apprt::HistoryEntry>;

// The history of both files of a data set, oldest first.
std::vector<FileEntry> historyOf(apprt::Driver& driver) {
  std::vector<FileEntry> entries;
  std::thread([&] {
    const records::DataSetFiles files(driver);
    for (const auto* file : files.all()) {
      file->open(apprt::kOpenSharedReadOnly);
      apprt::HistoryRead oldestFirst;
      oldestFirst.older = false;
      EXPECT_TRUE(apprt::readHistory(*file, oldestFirst, [&](const apprt::HistoryEntry& entry) {
        entries.emplace_back(file->fileName(), entry);
        return true;
      }));
      EXPECT_EQ(apprt::ERRCODE(), apprt::kNoError) << file->fileName();
      file->close();
    }
  }).join();
  return entries;
}

// A copy between two drivers, source first: the copy's history is the
// source's, entry for entry, and the copy itself writes none.
class HistoryCarryTest : public DataTest,
                         public ::testing::WithParamInterface<std::pair<Store, Store>> {
 protected:
  HistoryCarryTest() : DataTest(GetParam().first) {}

  // Adds, changes, a re-code with its children and deletes, each a change of its own.
  void SetUp() override {
    DataTest::SetUp();
    seed({{"A", "alpha"}, {"B", "bravo"}, {"C", "charlie"}},
         {{"A", "1"}, {"B", "2"}, {"B", "3"}, {"C", "4"}});
    dataSet_.sql("FESK1", "UPDATE fesk1 SET name = 'alpha, two' WHERE code = 'A'");
    dataSet_.sql("FESK1", "UPDATE fesk1 SET code = 'D' WHERE code = 'B'");
    dataSet_.sql("FESK2", "UPDATE fesk2 SET code = 'D' WHERE code = 'B'");
    dataSet_.sql("FESK2", "DELETE FROM fesk2 WHERE number = '2'");
    dataSet_.sql("FESK2", "DELETE FROM fesk2 WHERE code = 'C'");
    dataSet_.sql("FESK1", "DELETE FROM fesk1 WHERE code = 'C'");
    dataSet_.sql("FESK1", "INSERT INTO fesk1 (code, name) VALUES ('E', 'echo')");
  }

  apprt::Driver& target() {
    return GetParam().second == Store::kSqlite ? static_cast<apprt::Driver&>(sqliteTarget_)
                                               : serverTarget_->driver();
  }
  // Runs SQL on the target as another program would.
  void targetSql(const std::string& file, const std::string& statements) {
    if (serverTarget_) {
      serverTarget_->sql(file, statements);
      return;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((targetDirectory_.path() / (file + ".sqlite")).c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close_v2(db);
  }

  TemporaryDirectory targetDirectory_;
  sqlite::SqliteDriver sqliteTarget_{targetDirectory_.path()};
  std::optional<ScratchDataSet> serverTarget_ =
      GetParam().second == Store::kPostgres ? std::make_optional<ScratchDataSet>(Store::kPostgres)
                                            : std::nullopt;
};

// Whether `copy` is `source` entry for entry, with the records' identities
// mapped one to one; `mapped` gets the mapping.
void expectSameHistory(
    const std::vector<FileEntry>& copy, const std::vector<FileEntry>& source,
    std::map<std::pair<std::string, apprt::RecordIdentity>, apprt::RecordIdentity>& mapped) {
  ASSERT_EQ(copy.size(), source.size());
  std::map<std::pair<std::string, apprt::RecordIdentity>, apprt::RecordIdentity> back;
  for (std::size_t i = 0; i < copy.size(); ++i) {
    const auto& [kind, was] = source[i];
    const auto& is = copy[i].second;
    EXPECT_EQ(
        std::tie(copy[i].first, is.at, is.who, is.station, is.group, is.action, is.before,
                 is.after),
        std::tie(kind, was.at, was.who, was.station, was.group, was.action, was.before, was.after))
        << "entry " << i;
    const auto [to, added] = mapped.try_emplace({kind, was.record}, is.record);
    EXPECT_EQ(to->second, is.record) << "entry " << i << " names another record";
    const auto [from, backAdded] = back.try_emplace({kind, is.record}, was.record);
    EXPECT_EQ(from->second, was.record) << "entry " << i << " names another's identity";
  }
}

TEST_P(HistoryCarryTest, TheCopysHistoryIsTheSourcesAndGoesWithItsRecordsOrNotAtAll) {
  const auto source = historyOf(dataSet_.driver());
  ASSERT_EQ(source.size(), 15u) << "7 adds, a change, 3 of the re-code, 3 deletes, an add";
  std::vector<std::uint64_t> told;
  const auto copied =
      copyDataSet(dataSet_.driver(), target(), {.progress = [&](std::uint64_t records) {
                    told.push_back(records);
                    return true;
                  }});
  ASSERT_TRUE(copied.done) << copied.why;
  EXPECT_EQ(everyOrder(target()), everyOrder(dataSet_.driver()));
  std::map<std::pair<std::string, apprt::RecordIdentity>, apprt::RecordIdentity> mapped;
  expectSameHistory(historyOf(target()), source, mapped);

  // The copy's own changes are told again, of the records the carried
  // entries name, and a new record is none that the history named.
  targetSql("FESK1", "UPDATE fesk1 SET name = 'delta' WHERE code = 'D'");
  targetSql("FESK2", "INSERT INTO fesk2 (code, number) VALUES ('A', '5')");
  const auto changed = historyOf(target());
  ASSERT_EQ(changed.size(), source.size() + 2);
  const auto after = [&](std::vector<std::string> fields) {
    const auto found = std::find_if(changed.begin(), changed.end(), [&](const auto& entry) {
      return entry.second.after == fields;
    });
    EXPECT_NE(found, changed.end()) << fields[1];
    return found == changed.end() ? apprt::RecordIdentity{0} : found->second.record;
  };
  EXPECT_EQ(after({"D", "delta"}), after({"D", "bravo"})) << "the re-coded record's identity";
  const apprt::RecordIdentity added = after({"A", "5"});
  for (const auto& [was, is] : mapped) {
    if (was.first == "FESK2") {
      EXPECT_NE(added, is) << "the identity of a carried record";
    }
  }

  // A failed or stopped copy with --replace leaves the records and the
  // history as they were: the last stop comes after the history is carried.
  const std::string records = everyOrder(target());
  std::size_t calls = 0;
  const auto stopped = copyDataSet(
      dataSet_.driver(), target(),
      {.replace = true, .progress = [&](std::uint64_t) { return ++calls < told.size(); }});
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(everyOrder(target()), records);
  std::map<std::pair<std::string, apprt::RecordIdentity>, apprt::RecordIdentity> same;
  expectSameHistory(historyOf(target()), changed, same);

  // --replace replaces the history with the source's.
  ASSERT_TRUE(copyDataSet(dataSet_.driver(), target(), {.replace = true}).done);
  EXPECT_EQ(everyOrder(target()), everyOrder(dataSet_.driver()));
  std::map<std::pair<std::string, apprt::RecordIdentity>, apprt::RecordIdentity> replaced;
  expectSameHistory(historyOf(target()), source, replaced);
}

TEST_P(HistoryCarryTest, AHistoryOfHundredsOfEntriesIsCarriedEntryForEntry) {
  // Adds, changes and deletes of many records, so that entries with and
  // without fields before and after are written many at a time, and a
  // remainder at the end.
  dataSet_.sql("FESK1",
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150) "
               "INSERT INTO fesk1 (code, name) SELECT 'M' || i, 'many ' || i FROM n");
  dataSet_.sql("FESK1", "UPDATE fesk1 SET name = name || ' again' WHERE code LIKE 'M%'");
  dataSet_.sql("FESK1", "DELETE FROM fesk1 WHERE code LIKE 'M1%'");
  const auto source = historyOf(dataSet_.driver());
  ASSERT_EQ(source.size(), 15u + 150 + 150 + 62);

  const auto copied = copyDataSet(dataSet_.driver(), target());
  ASSERT_TRUE(copied.done) << copied.why;
  ASSERT_EQ(copied.counts.size(), 2u);
  EXPECT_EQ(copied.counts[0].records, 3u + 150 - 62);
  EXPECT_EQ(everyOrder(target()), everyOrder(dataSet_.driver()));
  std::map<std::pair<std::string, apprt::RecordIdentity>, apprt::RecordIdentity> mapped;
  expectSameHistory(historyOf(target()), source, mapped);
  EXPECT_EQ(mapped.size(), 4u + 4 + 150) << "every record the entries name, once";
}

INSTANTIATE_TEST_SUITE_P(DriverPairs, HistoryCarryTest,
                         ::testing::Values(std::pair{Store::kSqlite, Store::kSqlite},
                                           std::pair{Store::kSqlite, Store::kPostgres},
                                           std::pair{Store::kPostgres, Store::kSqlite},
                                           std::pair{Store::kPostgres, Store::kPostgres}),
                         [](const auto& info) {
                           const auto name = [](Store store) {
                             return store == Store::kSqlite ? "Sqlite" : "Postgres";
                           };
                           return std::string(name(info.param.first)) + "To" +
                                  name(info.param.second);
                         });

}  // namespace
}  // namespace fesk::test
