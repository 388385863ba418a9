// A run of reads inside a transaction goes on across the transaction's own
// writes instead of seeking anew, and reads rows ahead once the writes meet
// it; what it answers is still what a fresh read from the last record would.
#include <sqlite3.h>

#include "drivers/sqlite/sqlite_connection.h"
#include "file_test_support.h"

namespace filetest {
namespace {

using SqliteLiveReadsTest = FileTest;

// Counts the statements of the connection that begin to run a SELECT.
int countSelects(unsigned, void* count, void* statement, void*) {
  if (std::string_view(sqlite3_sql(static_cast<sqlite3_stmt*>(statement))).starts_with("SELECT"))
    ++*static_cast<int*>(count);
  return 0;
}

TEST_P(SqliteLiveReadsTest, ARecodeInATransactionReadsItsRecordsInOneRun) {
  for (int n = 1; n <= 40; ++n) addItem(n % 2 ? "a" : "A", std::to_string(n));
  addItem("B", "1");
  sqlite3* db = fesk::sqlite::Connection::forThisThread()->db();
  int selects = 0;
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, countSelects, &selects);
  apprt::beginTransaction(2, {&ITEMS});
  ITEMS.clear();
  ITEMS.buffer().CODE = "A";
  ITEMS.setOnKeyValue(ITEM_KEY);
  int recoded = 0;
  for (ITEMS.next(); apprt::ERRCODE() == 0 && ITEMS.buffer().CODE.text() != "B"; ITEMS.next()) {
    ITEMS.buffer().CODE = "C";  // sorts after B
    ITEMS.put();
    ASSERT_EQ(apprt::ERRCODE(), 0);
    ++recoded;
  }
  apprt::commitTransaction();
  sqlite3_trace_v2(db, 0, nullptr, nullptr);
  EXPECT_EQ(recoded, 40) << "every record of A visited once";
  EXPECT_EQ(selects, 1) << "one seek, then one step per record across the writes";

  ITEMS.clear();
  ITEMS.buffer().CODE = "C";
  ITEMS.setOnKeyValue(ITEM_KEY);
  int stored = 0;
  for (ITEMS.next(); apprt::ERRCODE() == 0; ITEMS.next())
    stored += ITEMS.buffer().CODE.text() == "C";
  EXPECT_EQ(stored, 40);
}

// Records of ITEMS in key order, read in one transaction that writes as it
// reads: `write` sees each record read and may put, or add, a record.
std::vector<std::string> readWhileWriting(const std::function<void(int read)>& write) {
  std::vector<std::string> read;
  apprt::beginTransaction(2, {&ITEMS});
  ITEMS.setOnKey(ITEM_KEY);
  for (ITEMS.next(); apprt::ERRCODE() == 0; ITEMS.next()) {
    read.push_back(ITEMS.buffer().CODE.text() + ITEMS.buffer().NUMBER.text());
    write(static_cast<int>(read.size()));
    EXPECT_EQ(apprt::ERRCODE(), 0) << read.back();
  }
  apprt::commitTransaction();
  return read;
}

TEST_P(SqliteLiveReadsTest, RecordsWrittenAheadOfTheRunAreReadAsAFreshReadWouldReadThem) {
  for (const char* number : {"1", "2", "3"}) addItem("A", number);
  for (const char* number : {"4", "5"}) addItem("C", number);
  // The first write makes the second read read ahead up to the end (A3, C4, C5).
  auto rewriteFirst = [](int read) {
    if (read == 1) ITEMS.put();
  };

  // A2 moves among the rows read ahead, to B.
  EXPECT_EQ(readWhileWriting([&](int read) {
              rewriteFirst(read);
              if (read == 2) {
                ITEMS.buffer().CODE = "B";
                ITEMS.put();
              }
            }),
            (std::vector<std::string>{"A1", "A2", "A3", "B2", "C4", "C5"}));
  // A record is added among them.
  EXPECT_EQ(readWhileWriting([&](int read) {
              rewriteFirst(read);
              if (read == 2) {
                ITEMS.buffer().CODE = "B";
                ITEMS.buffer().NUMBER = "6";
                ITEMS.add();
              }
            }),
            (std::vector<std::string>{"A1", "A3", "B2", "B6", "C4", "C5"}));
  // B2 moves beyond the last of them, after which the statement had ended.
  EXPECT_EQ(readWhileWriting([&](int read) {
              rewriteFirst(read);
              if (read == 3) {
                ITEMS.buffer().CODE = "D";
                ITEMS.put();
              }
            }),
            (std::vector<std::string>{"A1", "A3", "B2", "B6", "C4", "C5", "D2"}));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteLiveReadsTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
