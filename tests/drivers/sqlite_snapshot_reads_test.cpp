// A page read from SQLite up from a row and down again, between two waits of
// the thread, sees the file as of one moment, as on the server: another
// station that re-codes a record meanwhile waits for the page to be read, so
// the record shows at its old place only, and once the thread has waited, at
// its new one.
#include <sqlite3.h>

#include "file_test_support.h"
#include "runtime/files/thread_wait.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

class SqliteSnapshotReadsTest : public FileTest {
 protected:
  // Another station's re-coding, tried once without waiting: whether it was
  // stored.
  bool recodeElsewhere(const std::string& from, const std::string& to) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open((dataSet_.directory() / "CODES.sqlite").c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE CODES SET CODE = '" + to + "' WHERE CODE = '" + from + "'";
    const bool stored = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
                        sqlite3_changes(db) == 1;
    sqlite3_close(db);
    return stored;
  }
};

std::string codeNumbered(int n) {
  return (n < 10 ? "c0" : "c") + std::to_string(n);
}

TEST_P(SqliteSnapshotReadsTest, APageReadUpAndDownAgainIsOneMomentOfTheFile) {
  for (int n = 1; n <= 40; ++n) addCode(codeNumbered(n), "name");
  apprt::threadWillWait();

  // Stand on c20 and read the rows above it, as a page loads upwards.
  CODES.buffer().CODE = "c20";
  CODES.setOnKeyValue(CODE_KEY);
  CODES.next();
  ASSERT_EQ(currentCode(), "c20");
  const std::string c20 = CODES.positionByKey(CODE_KEY);
  const std::string c20InFile = CODES.positionByFile();
  std::vector<std::string> page;
  for (int i = 0; i < 3; ++i) {
    CODES.previous();
    ASSERT_EQ(ERRCODE(), 0);
    page.insert(page.begin(), currentCode());
  }
  // The row read again by its place, as a page does around a changed row.
  CODES.reget(c20InFile);
  ASSERT_EQ(currentCode(), "c20");
  // Another station moves a record from above the row to below it.
  const bool movedDuringThePage = recodeElsewhere("c18", "c25x");
  CODES.resetToPosition(CODE_KEY, c20);
  for (int i = 0; i < 8; ++i) {
    CODES.next();
    ASSERT_EQ(ERRCODE(), 0);
    page.push_back(currentCode());
  }
  EXPECT_FALSE(movedDuringThePage) << "the page's file was held while it was read";
  EXPECT_EQ(page, (std::vector<std::string>{"c17", "c18", "c19", "c20", "c21", "c22", "c23", "c24",
                                            "c25", "c26", "c27"}));

  apprt::threadWillWait();
  ASSERT_TRUE(recodeElsewhere("c18", "c25x")) << "once the thread waits, others write";
  CODES.resetToPosition(CODE_KEY, c20);
  std::vector<std::string> after;
  for (int i = 0; i < 7; ++i) {
    CODES.next();
    after.push_back(currentCode());
  }
  EXPECT_EQ(after, (std::vector<std::string>{"c20", "c21", "c22", "c23", "c24", "c25", "c25x"}))
      << "after a wait the move is seen";
}

INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteSnapshotReadsTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
