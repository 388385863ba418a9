// Every sequential read is an indexed seek: SQLite's own query plan shows no
// table scan and no sort, for every key, direction and kind of start.
#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::Direction;
using apprt::ReadBound;
using apprt::ReadOrder;

std::string queryPlan(sqlite3* db, const std::string& sql) {
  fesk::sqlite::Statement explain(db, "EXPLAIN QUERY PLAN " + sql);
  EXPECT_TRUE(explain.prepared()) << sqlite3_errmsg(db) << "\n" << sql;
  std::string plan;
  while (explain.prepared() && explain.step() == SQLITE_ROW) {
    plan += std::string(explain.columnText(3)) + "\n";
  }
  return plan;
}

class SqliteQueryPlanTest : public FileTest {
 protected:
  // The same connection and schema the open file uses.
  std::unique_ptr<fesk::sqlite::SqliteFile> codesFile() {
    auto connection = fesk::sqlite::Connection::forThisThread();
    std::string schema;
    EXPECT_TRUE(connection->attach(directory_.path() / "CODES.sqlite", 1000, schema).ok());
    return std::make_unique<fesk::sqlite::SqliteFile>(connection, schema, CODES);
  }
  static std::vector<ReadOrder> orders() {
    std::vector<ReadOrder> all;
    for (int key = 0; key < 2; ++key) {
      ReadOrder order;
      order.key = key;
      order.fields = {key};
      all.push_back(order);
    }
    all.push_back(ReadOrder{});  // file order
    ReadOrder filtered = all[1];
    filtered.filter = "CODE LIKE 'a%'";
    all.push_back(filtered);
    return all;
  }
  static std::vector<ReadBound> bounds(const ReadOrder& order) {
    std::vector<std::string> values(order.fields.size(), "A");
    return {ReadBound{},
            ReadBound{.atEdge = false, .values = values, .identity = 1, .inclusive = true},
            ReadBound{.atEdge = false, .values = values, .identity = 1, .inclusive = false}};
  }
};

TEST_F(SqliteQueryPlanTest, EveryReadSeeksAnIndexAndNeverSorts) {
  auto file = codesFile();
  sqlite3* db = file->connection().db();
  for (const auto& order : orders()) {
    for (const auto& bound : bounds(order)) {
      for (auto direction : {Direction::kForward, Direction::kBackward}) {
        const std::string sql = file->readSql(order, direction, bound);
        const std::string plan = queryPlan(db, sql);
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << sql << "\n" << plan;
        if (bound.atEdge) {
          // From an edge the walk is in index (or rowid) order and stops at
          // the first row.
          const bool indexed = plan.find("USING INDEX") != std::string::npos ||
                               plan.find("USING COVERING INDEX") != std::string::npos;
          EXPECT_TRUE(indexed || (order.fields.empty() && plan == "SCAN main.CODES\n"))
              << sql << "\n"
              << plan;
        } else {
          EXPECT_EQ(plan.rfind("SEARCH ", 0), 0u) << sql << "\n" << plan;
        }
      }
    }
  }
}

TEST_F(SqliteQueryPlanTest, AReadStartsAtTheBoundWhateverTheLetterCase) {
  addCode("abc");
  addCode("ABD");
  auto file = codesFile();
  ReadOrder order = orders()[0];
  std::vector<char> record(CODES.recordLength());
  apprt::RecordIdentity identity = 0;
  ReadBound bound{.atEdge = false, .values = {"ABC"}, .identity = 0, .inclusive = false};
  ASSERT_TRUE(file->read(order, bound, Direction::kForward, record, identity).ok());
  EXPECT_EQ(std::string(record.data(), 3), "abc");
}

}  // namespace
}  // namespace filetest
