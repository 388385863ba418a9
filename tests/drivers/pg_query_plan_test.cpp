// How the server is asked: every statement the driver prepares finds its rows
// through the key's index or the identity (the server's own plans show no
// table scan and no sort, for every key, direction and kind of start of a
// read, a cascade's reads, and every write and check, whether the server
// plans it for the values at hand or once for all), and a page of a browse
// costs at most two round trips, counted in libpq's own trace of the session.
#include <libpq-fe.h>

#include <regex>

#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_file.h"
#include "drivers/postgres/pg_round_trips.h"
#include "file_test_support.h"
#include "runtime/files/thread_wait.h"
#include "support/scratch_data_set.h"

namespace filetest {
namespace {

using apprt::BoundKind;
using apprt::Direction;
using apprt::ERRCODE;
using apprt::ReadBound;
using apprt::ReadOrder;
using fesk::test::ScratchDataSet;
using fesk::test::Store;

class PgQueryPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CODES.bindDriver(dataSet_.driver());
    ITEMS.bindDriver(dataSet_.driver());
    openTestFiles();
    // Enough records that the server walks an index only where one serves,
    // and statistics that say so.
    dataSet_.sql("",
                 "INSERT INTO codes (code, name) SELECT 'c' || n, 'n' || (n % 97) "
                 "FROM generate_series(1, 20000) n; "
                 "INSERT INTO items (code, number) SELECT 'c' || (n % 300), n::text "
                 "FROM generate_series(1, 20000) n; ANALYZE codes; ANALYZE items");
  }
  void TearDown() override { closeTestFiles(); }
  fesk::postgres::PgDriver& driver() {
    return static_cast<fesk::postgres::PgDriver&>(dataSet_.driver());
  }
  // The plan of `sql` with every value '1', planned for those values
  // ("force_custom_plan") or for any ("force_generic_plan").
  std::string plan(const std::string& sql, const char* mode) {
    PGconn* session = PQconnectdb(dataSet_.conninfo().c_str());
    std::string values;
    for (int n = 1; sql.find("$" + std::to_string(n)) != std::string::npos; ++n) {
      values += (n > 1 ? ", " : "") + std::string("'1'");
    }
    const std::string explain = "SET plan_cache_mode = " + std::string(mode) + "; PREPARE p AS " +
                                sql + "; EXPLAIN EXECUTE p" +
                                (values.empty() ? "" : "(" + values + ")");
    PGresult* result = PQexec(session, explain.c_str());
    std::string text;
    EXPECT_EQ(PQresultStatus(result), PGRES_TUPLES_OK) << PQerrorMessage(session) << sql;
    for (int row = 0; row < PQntuples(result); ++row) {
      text += std::string(PQgetvalue(result, row, 0)) + "\n";
    }
    PQclear(result);
    PQfinish(session);
    return text;
  }

  ScratchDataSet dataSet_{Store::kPostgres};
};

TEST_F(PgQueryPlanTest, EveryPreparedStatementWalksAnIndex) {
  fesk::postgres::PgFile file(driver().session(), dataSet_.schema(), CODES,
                              /*readOnly=*/false);
  const std::vector<ReadOrder> orders{
      {.fields = {0}, .key = 0, .filter = {}},                // the unique code key
      {.fields = {1}, .key = 1, .filter = {}},                // the name key, with duplicates
      {},                                                     // file order
      {.fields = {1}, .key = -1, .filter = {}},               // a view ordered by a key's field
      {.fields = {0}, .key = 0, .filter = "NAME LIKE 'n%'"},  // filtered
  };
  std::vector<char> record(CODES.recordLength());
  apprt::RecordIdentity identity = 0;
  for (const auto& order : orders) {
    std::vector<std::string> values;  // in the middle of the records, in either order
    for (int field : order.fields) values.push_back(field == 0 ? "C5" : "N5");
    for (const ReadBound& bound :
         {ReadBound{}, ReadBound{.kind = BoundKind::kValues, .values = values},
          ReadBound{.kind = BoundKind::kRecord, .values = values, .identity = 9, .inclusive = true},
          ReadBound{
              .kind = BoundKind::kRecord, .values = values, .identity = 9, .inclusive = false}}) {
      // Values alone stand somewhere only in an order of fields.
      if (bound.kind == BoundKind::kValues && order.fields.empty()) continue;
      for (auto direction : {Direction::kForward, Direction::kBackward}) {
        file.releaseReads();
        const auto status = file.read(order, bound, direction, record, identity);
        EXPECT_TRUE(status.ok()) << status.code << " " << status.driverMessage;
      }
    }
  }
  bool found = false;
  EXPECT_TRUE(file.fetch(identity, record).ok());
  EXPECT_TRUE(file.hasDuplicate(0, record, identity, found).ok());
  EXPECT_TRUE(file.put(identity, record, nullptr).ok());
  const std::string stored(record.begin(), record.end());
  EXPECT_TRUE(file.put(identity, record, &stored).ok());
  EXPECT_TRUE(file.remove(identity).ok());
  EXPECT_TRUE(file.add(record, identity).ok());
  // A cascade: the records of one code read on past the first block while
  // they are written, in a transaction.
  apprt::beginTransaction(5, {&ITEMS});
  ITEMS.clear();
  ITEMS.buffer().CODE = "c7";
  ITEMS.setOnKeyValue(ITEM_KEY);
  int moved = 0;
  for (ITEMS.next(); ERRCODE() == 0 && ITEMS.buffer().CODE.text() == "c7"; ITEMS.next()) {
    ITEMS.buffer().CODE = "c8";
    ITEMS.put();
    ++moved;
  }
  apprt::commitTransaction();
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_GT(moved, 64);

  const auto statements = file.session().preparedStatements();
  EXPECT_GE(statements.size(), 20u);
  for (const auto& sql : statements) {
    if (sql.find("pg_catalog") != std::string::npos) continue;  // the check of the table at open
    for (const char* mode : {"force_custom_plan", "force_generic_plan"}) {
      const std::string steps = plan(sql, mode);
      EXPECT_EQ(steps.find("Seq Scan"), std::string::npos) << sql << "\n" << steps;
      EXPECT_EQ(steps.find("Sort"), std::string::npos) << sql << "\n" << steps;
      if (sql.starts_with("SELECT") && sql.find("ORDER BY") != std::string::npos) {
        const bool byKey = sql.find("ORDER BY translate") != std::string::npos;
        EXPECT_TRUE(std::regex_search(steps, std::regex(byKey ? "Index Scan.* using \"?codes_key"
                                                              : "Index Scan.* using codes_pkey")))
            << sql << "\n"
            << steps;
      }
    }
  }
}

TEST_F(PgQueryPlanTest, APageOfABrowseCostsAtMostTwoRoundTrips) {
  // What the browse does for a page: the rows above the located record read
  // backward, the page read forward from its top; then a page down from the
  // last row.
  const auto readPage = [](const std::string& start) {
    CODES.clear();
    CODES.buffer().NAME = start;
    CODES.setOnKeyValue(NAME_KEY);
    for (int i = 0; i < 7; ++i) CODES.previous();
    const std::string top = CODES.positionByKey(NAME_KEY);
    CODES.resetToPosition(NAME_KEY, top);
    for (int i = 0; i < 16; ++i) CODES.next();
    EXPECT_EQ(ERRCODE(), 0);
    return CODES.positionByKey(NAME_KEY);
  };
  readPage("n5");  // statements prepared once per session
  apprt::threadWillWait();
  fesk::postgres::RoundTripCounter trips(driver().session()->libpq());
  const std::string last = readPage("n50");
  EXPECT_LE(trips.count(), 2);
  apprt::threadWillWait();

  const int before = trips.count();
  CODES.resetToPosition(NAME_KEY, last);
  for (int i = 0; i < 16; ++i) CODES.next();
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_LE(trips.count() - before, 1) << "a page down";
  EXPECT_GE(trips.count() - before, 1) << "a wait drops what was read ahead";
}

}  // namespace
}  // namespace filetest
