// The history of every change of FESK1 and FESK2, on every driver that keeps
// one: each add, change, re-code with its children and delete with its
// children is recorded once, with who, the station and the values before and
// after, in one change group per saved change; what is rolled back leaves
// nothing; a writer killed at any moment never leaves data and history
// disagreeing; files made before the history existed gain it and keep their
// records.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "drivers/sqlite/sqlite_history.h"
#include "runtime/files/change_author.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_history.h"
#include "runtime/files/file_position.h"
#include "runtime/files/file_transaction.h"
#include "support/scoped_environment.h"

namespace fesk::test {
namespace {

using apprt::HistoryEntry;
const std::array<const apprt::FileDeclaration*, 2> kDataFiles{&FESK1, &FESK2};

// What the history of both files and FESK1's records are at one moment.
struct Snapshot {
  std::vector<HistoryEntry> fesk1;  // newest first
  std::vector<HistoryEntry> fesk2;
  Records parents;
  Records children;
};

std::vector<HistoryEntry> historyOf(const apprt::FileDeclaration& file) {
  std::vector<HistoryEntry> entries;
  EXPECT_TRUE(apprt::readHistory(file, apprt::HistoryRead{}, [&](const HistoryEntry& entry) {
    entries.push_back(entry);
    return true;
  })) << file.fileName();
  EXPECT_EQ(apprt::ERRCODE(), 0) << apprt::FILEERRORMSG();
  return entries;
}

Records recordsOf(apprt::FileDeclaration& file) {
  Records records;
  file.setOnKey(file.key(0));
  for (file.next(); apprt::ERRCODE() == 0; file.next()) {
    records.emplace_back(file.field(0).text(), file.field(1).text());
  }
  return records;
}

// Read in one transaction, which waits for any other station's to end.
Snapshot snapshot() {
  Snapshot now;
  FESK1.open(apprt::kOpenSharedReadWrite);
  FESK2.open(apprt::kOpenSharedReadWrite);
  apprt::beginTransaction(30, {&FESK1, &FESK2});
  EXPECT_EQ(apprt::ERRCODE(), 0) << apprt::FILEERRORMSG();
  now.fesk1 = historyOf(FESK1);
  now.fesk2 = historyOf(FESK2);
  now.parents = recordsOf(FESK1);
  now.children = recordsOf(FESK2);
  apprt::commitTransaction();
  FESK2.close();
  FESK1.close();
  return now;
}

// The entries newer than the `count` oldest, oldest first.
std::vector<HistoryEntry> since(std::vector<HistoryEntry> entries, std::size_t count) {
  entries.resize(entries.size() - std::min(count, entries.size()));
  std::reverse(entries.begin(), entries.end());
  return entries;
}

std::string thisHost() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

// What an entry says, without when and who.
std::string shown(const HistoryEntry& entry) {
  std::string text = entry.action;
  for (const auto* fields : {&entry.before, &entry.after}) {
    text += " [";
    for (const auto& field : *fields) text += (text.back() == '[' ? "" : ",") + field;
    text += "]";
  }
  return text;
}

std::vector<std::string> shown(const std::vector<HistoryEntry>& entries) {
  std::vector<std::string> texts(entries.size());
  std::transform(entries.begin(), entries.end(), texts.begin(),
                 [](const HistoryEntry& entry) { return shown(entry); });
  std::sort(texts.begin(), texts.end());
  return texts;
}

class HistoryTest : public EveryDriverDataTest {
 protected:
  // The author the history names: the person signed in to the web front-end
  // of a session over a data directory; the server role over a schema.
  std::string expectedAuthor() const {
    if (dataSet_.store() == Store::kSqlite) return "ann";
    PGconn* session = PQconnectdb(dataSet_.conninfo().c_str());
    std::string role = PQuser(session);
    PQfinish(session);
    return role;
  }

  ScopedEnvironment signedIn_{apprt::kSignedInUserVariable, "ann"};
};

TEST_P(HistoryTest, EveryKindOfChangeIsRecordedOnceWithWhoStationAndValues) {
  seed({{"A", "alpha"}, {"M", "mike"}}, {{"M", "1"}, {"M", "2"}, {"A", "3"}});
  const Snapshot seeded = snapshot();
  EXPECT_EQ(seeded.fesk1.size(), 2u) << "the seeds' adds";
  const auto outcome = runInProgram([&] {
    openBothAsAProcedure();
    FESK1.clear();
    FESK1.buffer().CODE = "B";
    FESK1.buffer().NAME = "bravo";
    FESK1.add();
    ASSERT_EQ(apprt::ERRCODE(), 0);
    ASSERT_TRUE(readFesk1("M"));
    RememberFesk1Code();
    FESK1.buffer().CODE = "T";
    FESK1.buffer().NAME = "tango";
    ASSERT_EQ(UpdateFesk1Record(false), kWriteDone);
    ASSERT_TRUE(readFesk1("T"));
    ASSERT_EQ(DeleteFesk1Record(), kWriteDone);
    closeBothAsAProcedure();
  });
  EXPECT_TRUE(outcome.boxes.empty());
  const Snapshot after = snapshot();
  const auto parents = since(after.fesk1, seeded.fesk1.size());
  const auto children = since(after.fesk2, seeded.fesk2.size());
  ASSERT_EQ(parents.size(), 3u);
  EXPECT_EQ(shown(parents[0]), "add [] [B,bravo]");
  EXPECT_EQ(shown(parents[1]), "change [M,mike] [T,tango]");
  EXPECT_EQ(shown(parents[2]), "delete [T,tango] []");
  EXPECT_EQ(shown(children), (std::vector<std::string>{"change [M,1] [T,1]", "change [M,2] [T,2]",
                                                       "delete [T,1] []", "delete [T,2] []"}));

  // One group per saved change: the re-code with its children, the delete
  // with its children, the add alone.
  for (const auto& child : children) {
    EXPECT_EQ(child.group, child.action == "change" ? parents[1].group : parents[2].group);
  }
  EXPECT_NE(parents[0].group, parents[1].group);
  EXPECT_NE(parents[1].group, parents[2].group);
  auto all = parents;
  all.insert(all.end(), children.begin(), children.end());
  for (const auto& entry : all) {
    EXPECT_EQ(entry.who, expectedAuthor()) << shown(entry);
    EXPECT_EQ(entry.station, thisHost() + "/" + std::to_string(getpid())) << shown(entry);
    EXPECT_EQ(entry.at.size(), std::string("2026-12-10T03:31:11.123Z").size()) << entry.at;
    EXPECT_TRUE(entry.at.ends_with('Z')) << entry.at;
  }
  EXPECT_EQ(parents[1].record, parents[2].record) << "the same record, re-coded then deleted";
  EXPECT_LE(parents[0].at, parents[2].at);
}

TEST_P(HistoryTest, WhatIsRolledBackOrRefusedLeavesNoEntry) {
  seed({{"A", "alpha"}}, {{"A", "1"}});
  const Snapshot seeded = snapshot();
  const auto outcome = runInProgram([&] {
    openBothAsAProcedure();
    apprt::beginTransaction(kTransactionTimeout, {&FESK1, &FESK2});
    FESK1.clear();
    FESK1.buffer().CODE = "R";
    FESK1.add();
    ASSERT_TRUE(readFesk1("A"));
    FESK1.remove();
    ASSERT_EQ(apprt::ERRCODE(), 0);
    apprt::rollbackTransaction();
    FESK1.clear();
    FESK1.buffer().CODE = "a";  // the key ignores letter case: a duplicate
    FESK1.add();
    EXPECT_EQ(apprt::ERRCODE(), apprt::kDuplicateKey);
    FESK2.clear();
    FESK2.buffer().CODE = "nobody";
    EXPECT_EQ(AddFesk2Record(), kWriteFailed) << "no FESK1 record has the code";
    closeBothAsAProcedure();
  });
  const Snapshot after = snapshot();
  EXPECT_EQ(after.parents, seeded.parents);
  EXPECT_EQ(shown(after.fesk1), shown(seeded.fesk1));
  EXPECT_EQ(shown(after.fesk2), shown(seeded.fesk2));
}

TEST_P(HistoryTest, AFileMadeWithoutHistoryGainsItAtOpenAndKeepsEveryRecord) {
  const Records parents{{"A", "alpha"}, {"B", "bravo"}, {"C", "charlie"}};
  seed(parents, {{"A", "1"}, {"C", "2"}});
  // Back to the files as they were made before they kept a history.
  if (dataSet_.store() == Store::kSqlite) {
    for (const apprt::FileDeclaration* file : kDataFiles) {
      EXPECT_EQ(runSql(*file, sqlite::withoutHistorySql(*file) +
                                  "SELECT count(*) FROM sqlite_schema WHERE type = 'trigger' OR "
                                  "name = 'history'"),
                "0");
    }
  } else {
    dataSet_.sql("",
                 "DROP TABLE history; DROP FUNCTION fesk1_history() CASCADE; "
                 "DROP FUNCTION fesk2_history() CASCADE");
  }
  EXPECT_EQ(storedFesk1(), parents) << "opened as it is";
  const auto outcome = runInProgram([&] {
    openBothAsAProcedure();
    ASSERT_TRUE(readFesk1("C"));
    EXPECT_EQ(DeleteFesk1Record(), kWriteDone);
    closeBothAsAProcedure();
  });
  const Snapshot after = snapshot();
  EXPECT_EQ(after.parents, (Records{{"A", "alpha"}, {"B", "bravo"}}));
  EXPECT_EQ(after.children, (Records{{"A", "1"}}));
  EXPECT_EQ(shown(after.fesk1), std::vector<std::string>{"delete [C,charlie] []"});
  EXPECT_EQ(shown(after.fesk2), std::vector<std::string>{"delete [C,2] []"});
}

// The entries `read` answers, newest first or oldest first as it asks.
std::vector<HistoryEntry> keyedRead(const apprt::FileDeclaration& file,
                                    const apprt::HistoryRead& read) {
  std::vector<HistoryEntry> entries;
  EXPECT_TRUE(apprt::readHistory(file, read, [&](const HistoryEntry& entry) {
    entries.push_back(entry);
    return true;
  }));
  EXPECT_EQ(apprt::ERRCODE(), 0) << apprt::FILEERRORMSG();
  return entries;
}

TEST_P(HistoryTest, ARecordsEntriesAreReadAPageAtATimeByIndexesGainedAtOpen) {
  seed({{"A", "alpha"}, {"B", "bravo"}}, {});
  // Files made before the keyed reads: their history without its indexes.
  if (dataSet_.store() == Store::kSqlite) {
    for (const apprt::FileDeclaration* file : kDataFiles) {
      runSql(*file, "DROP INDEX history_record; DROP INDEX history_deletes");
    }
  } else {
    dataSet_.sql("", "DROP INDEX history_record; DROP INDEX history_deletes");
  }
  constexpr int kRenames = 12;
  const auto outcome = runInProgram([&] {
    openBothAsAProcedure();
    for (int i = 1; i <= kRenames; ++i) {
      for (const char* code : {"A", "B"}) {
        ASSERT_TRUE(readFesk1(code));
        RememberFesk1Code();
        FESK1.buffer().NAME = std::string(code) + std::to_string(i);
        ASSERT_EQ(UpdateFesk1Record(false), kWriteDone);
      }
    }
    ASSERT_TRUE(readFesk1("B"));
    ASSERT_EQ(DeleteFesk1Record(), kWriteDone);
    closeBothAsAProcedure();
  });
  EXPECT_TRUE(outcome.boxes.empty());
  if (dataSet_.store() == Store::kSqlite) {
    for (const apprt::FileDeclaration* file : kDataFiles) {
      EXPECT_EQ(runSql(*file,
                       "SELECT count(*) FROM sqlite_schema WHERE type = 'index' AND name IN "
                       "('history_record', 'history_deletes')"),
                "2")
          << file->fileName();
    }
  } else {
    dataSet_.sql("",
                 "SELECT 1 / (CASE WHEN to_regclass('history_record') IS NULL OR "
                 "to_regclass('history_deletes') IS NULL THEN 0 ELSE 1 END)");
  }

  FESK1.open(apprt::kOpenSharedReadWrite);
  ASSERT_TRUE(readFesk1("A"));
  const auto a = apprt::decodePosition(FESK1, FESK1.positionByFile());
  ASSERT_TRUE(a);
  // Pages of five, each from the one before: the renames, newest first, then the add.
  std::vector<std::string> names;
  apprt::HistoryRead read;
  read.record = a->identity;
  read.limit = 5;
  for (int pages = 0; pages < 10; ++pages) {
    const auto page = keyedRead(FESK1, read);
    EXPECT_LE(page.size(), 5u);
    if (page.empty()) break;
    for (const HistoryEntry& entry : page) {
      EXPECT_EQ(entry.record, a->identity);
      names.push_back(entry.action + " " + entry.after.at(1));
    }
    read.from = page.back().id;
  }
  std::vector<std::string> expected;
  for (int i = kRenames; i >= 1; --i) expected.push_back("change A" + std::to_string(i));
  expected.emplace_back("add alpha");
  EXPECT_EQ(names, expected);

  // Oldest first from an entry on: the ones after it.
  read.older = false;
  read.limit = 2;
  const auto newer = keyedRead(FESK1, read);
  ASSERT_EQ(newer.size(), 2u);
  EXPECT_EQ(newer[0].after.at(1), "A1");
  EXPECT_EQ(newer[1].after.at(1), "A2");

  // The deletes of the file alone.
  apprt::HistoryRead deletes;
  deletes.deletesOnly = true;
  const auto deleted = keyedRead(FESK1, deletes);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(shown(deleted[0]), "delete [B,B12] []");
  FESK1.close();
}

INSTANTIATE_TEST_SUITE_P(Drivers, HistoryTest, driversThatCan(Capability::kHistory), storeName);

constexpr int kChildren = 200;

class HistoryKillTest : public EveryDriverDataTest {};

// Every re-code the history holds took the parent from the code of the one
// before to its own, with every child in the same change group; the last
// one's code is the parent's and its children's now.
testing::AssertionResult agree(const Snapshot& now) {
  if (now.parents.size() != 1) return testing::AssertionFailure() << "not one parent";
  const std::string code = now.parents[0].first;
  std::map<std::int64_t, int> childrenOfGroup;
  for (const auto& entry : now.fesk2) {
    if (entry.action == "change") ++childrenOfGroup[entry.group];
  }
  std::string after;  // of the entry before, going from the oldest
  for (auto it = now.fesk1.rbegin(); it != now.fesk1.rend(); ++it) {
    if (it->action != "change") continue;
    if (!after.empty() && it->before[0] != after) {
      return testing::AssertionFailure() << "a re-code from " << it->before[0] << " after one to "
                                         << after << ": a change without its entry";
    }
    after = it->after[0];
    // A writer that starts over may give the parent the code it has: no
    // child changes then.
    const int children = it->before[0] == after ? 0 : kChildren;
    if (childrenOfGroup[it->group] != children) {
      return testing::AssertionFailure()
             << childrenOfGroup[it->group] << " children entries in the re-code to " << after;
    }
    childrenOfGroup.erase(it->group);
  }
  if (!childrenOfGroup.empty()) {
    return testing::AssertionFailure() << "children entries without their parent's";
  }
  if (!after.empty() && after != code) {
    return testing::AssertionFailure()
           << "the last entry is a re-code to " << after << ", the parent is " << code;
  }
  const auto under = std::count_if(now.children.begin(), now.children.end(),
                                   [&](const auto& child) { return child.first == code; });
  if (under != kChildren) return testing::AssertionFailure() << under << " children under " << code;
  return testing::AssertionSuccess();
}

TEST_P(HistoryKillTest, AKilledWriterNeverLeavesDataAndHistoryDisagreeing) {
  Records children;
  for (int i = 1; i <= kChildren; ++i) children.emplace_back("P0", std::to_string(i));
  seed({{"P0", "parent"}}, children);
  CascadeKiller killer(20261210);
  std::vector<std::string> disagreements;
  std::size_t recodes = 0;
  for (int kill = 0; kill < 20; ++kill) {
    Signal committing, committed;
    const pid_t child =
        forkChild([&] { recodeUntilKilled(dataSet_.driver(), committing, committed); });
    ASSERT_TRUE(killer.kill(child, committing, committed));
    const Snapshot now = snapshot();
    if (auto agreed = agree(now); !agreed) disagreements.push_back(agreed.message());
    recodes = std::count_if(now.fesk1.begin(), now.fesk1.end(),
                            [](const HistoryEntry& entry) { return entry.action == "change"; });
  }
  EXPECT_EQ(disagreements, std::vector<std::string>{});
  EXPECT_GE(recodes, 20u) << "every writer committed at least once before its kill";
}

INSTANTIATE_TEST_SUITE_P(Drivers, HistoryKillTest, driversThatCan(Capability::kHistory), storeName);

}  // namespace
}  // namespace fesk::test
