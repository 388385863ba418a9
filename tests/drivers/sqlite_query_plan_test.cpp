// Every statement the driver prepares finds its rows through an index or the
// rowid: SQLite's own query plan shows no full scan and no sort, for every key,
// direction and kind of start of a read, and for every write and check. A read
// in a key's order takes whole records from the key's index; one that starts
// at a record seeks on the whole key plus the identity, so that records with
// equal key values are never stepped through.
#include <algorithm>
#include <string_view>

#include "drivers/sqlite/sqlite_file.h"
#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::BoundKind;
using apprt::Direction;
using apprt::ReadBound;
using apprt::ReadOrder;

std::vector<std::string> queryPlan(sqlite3* db, const std::string& sql) {
  fesk::sqlite::Statement explain(db, "EXPLAIN QUERY PLAN " + sql);
  EXPECT_TRUE(explain.prepared()) << sqlite3_errmsg(db) << "\n" << sql;
  std::vector<std::string> plan;
  while (explain.prepared() && explain.step() == SQLITE_ROW) {
    plan.emplace_back(explain.columnText(3));
  }
  return plan;
}

class SqliteQueryPlanTest : public FileTest {
 protected:
  // A file of the same connection and schema the open CODES uses.
  std::unique_ptr<fesk::sqlite::SqliteFile> codesFile() {
    auto connection = fesk::sqlite::Connection::forThisThread();
    std::string schema;
    EXPECT_TRUE(connection->attach(dataSet_.directory() / "CODES.sqlite", 1000, schema).ok());
    return std::make_unique<fesk::sqlite::SqliteFile>(connection, schema, CODES);
  }
  static std::vector<ReadOrder> orders() {
    std::vector<ReadOrder> all;
    all.reserve(3);
    for (int key = 0; key < 2; ++key)
      all.push_back(ReadOrder{.fields = {key}, .key = key, .filter = {}});
    all.push_back(ReadOrder{});  // file order
    all.push_back(
        ReadOrder{.fields = {1}, .key = -1, .filter = {}});  // a view ordered by a key's field
    all.push_back(ReadOrder{.fields = {0}, .key = 0, .filter = "NAME LIKE 'n%'"});  // filtered
    return all;
  }
  static std::vector<ReadBound> bounds(const ReadOrder& order) {
    std::vector<std::string> values(order.fields.size(), "B");
    return {
        ReadBound{}, ReadBound{.kind = BoundKind::kValues, .values = values},
        ReadBound{.kind = BoundKind::kRecord, .values = values, .identity = 1, .inclusive = true},
        ReadBound{.kind = BoundKind::kRecord, .values = values, .identity = 1, .inclusive = false}};
  }
};

TEST_P(SqliteQueryPlanTest, EveryPreparedStatementSeeksAnIndexOrTheRowid) {
  for (const char* code : {"A", "B", "C"}) addCode(code, std::string("n") + code);
  auto file = codesFile();
  std::vector<char> record(CODES.recordLength());
  apprt::RecordIdentity identity = 0;
  for (const auto& order : orders()) {
    for (const auto& bound : bounds(order)) {
      for (auto direction : {Direction::kForward, Direction::kBackward}) {
        const int code = file->read(order, bound, direction, record, identity).code;
        EXPECT_TRUE(code == 0 || code == apprt::kNoMoreRecords) << code;
      }
    }
  }
  bool found = false;
  EXPECT_TRUE(file->fetch(identity, record).ok());
  EXPECT_TRUE(file->hasDuplicate(0, record, identity, found).ok());
  EXPECT_TRUE(file->put(identity, record, nullptr).ok());
  const std::string stored(record.begin(), record.end());
  EXPECT_TRUE(file->put(identity, record, &stored).ok());
  EXPECT_TRUE(file->remove(identity).ok());
  EXPECT_TRUE(file->add(record, identity).ok());

  const auto statements = file->preparedSql();
  EXPECT_GE(statements.size(), 25u);
  sqlite3* db = file->connection().db();
  int readsFromRecords = 0;
  for (const auto& sql : statements) {
    // A read ends in ORDER BY its fields and the identity; one from a bound
    // binds values, and one from a record binds a value for each of them.
    const auto orderBy = sql.rfind(" ORDER BY ");
    const auto ordered = orderBy == std::string::npos
                             ? 0
                             : 1 + std::ranges::count(std::string_view(sql).substr(orderBy), ',');
    const int parameters = sqlite3_bind_parameter_count(fesk::sqlite::Statement(db, sql).get());
    const bool bounded = ordered > 0 && parameters > 0;
    const bool atRecord = ordered > 0 && parameters == ordered;
    bool identitySought = false;
    for (const auto& step : queryPlan(db, sql)) {
      EXPECT_EQ(step.find("TEMP B-TREE"), std::string::npos) << sql << "\n" << step;
      // A read from a record looks up how the record stores its values, once,
      // by its rowid.
      if (step.starts_with("SCALAR SUBQUERY") ||
          (atRecord && step.ends_with("USING INTEGER PRIMARY KEY (rowid=?)"))) {
        continue;
      }
      // A read in a key's order takes whole records from the key's index,
      // never from the table row by row.
      if (ordered > 0 && sql.find(" INDEXED BY ") != std::string::npos &&
          !step.starts_with("MERGE") && step != "LEFT" && step != "RIGHT") {
        EXPECT_NE(step.find("COVERING INDEX"), std::string::npos) << sql << "\n" << step;
      }
      if (step.starts_with("SCAN")) {
        // Only a read from an edge walks, in index or rowid order, and it
        // stops at the first row it answers.
        EXPECT_FALSE(bounded) << sql << "\n" << step;
        EXPECT_TRUE(step.find("USING") != std::string::npos || sql.ends_with("ORDER BY id") ||
                    sql.ends_with("ORDER BY id DESC"))
            << sql << "\n"
            << step;
      } else if (step.starts_with("SEARCH")) {
        // "(CODE=? AND id>?)" through a key's index, "(rowid>?)" in file order.
        identitySought |=
            step.find("id>") != std::string::npos || step.find("id<") != std::string::npos;
      } else {
        // The two ranges of a read from a record, merged in order; the two
        // searches of a duplicate check (the value as given, and with blanks
        // after it), one after the other.
        EXPECT_TRUE(step == "MERGE (UNION ALL)" || step == "LEFT" || step == "RIGHT" ||
                    step == "COMPOUND QUERY" || step == "LEFT-MOST SUBQUERY" || step == "UNION ALL")
            << sql << "\n"
            << step;
      }
    }
    if (atRecord) {
      ++readsFromRecords;
      EXPECT_TRUE(identitySought) << "seeks the key's values, then steps through equal ones:\n"
                                  << sql;
    }
  }
  // 4 orders (a view ordered by a key's field reads as that key), at or after a
  // record, in 2 directions.
  EXPECT_EQ(readsFromRecords, 16);
}

TEST_P(SqliteQueryPlanTest, AReadStartsAtTheBoundWhateverTheLetterCase) {
  addCode("abc");
  addCode("ABD");
  auto file = codesFile();
  std::vector<char> record(CODES.recordLength());
  apprt::RecordIdentity identity = 0;
  const ReadBound bound{
      .kind = BoundKind::kRecord, .values = {"ABC"}, .identity = 0, .inclusive = false};
  ASSERT_TRUE(file->read(orders()[0], bound, Direction::kForward, record, identity).ok());
  EXPECT_EQ(std::string(record.data(), 3), "abc");
}

INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteQueryPlanTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
