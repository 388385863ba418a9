// Round trips are what a workstation pays over a network: the server driver is
// held to its budget by counting them in the session's own trace (counts, not
// times). A write inside a transaction is sent without waiting for its answer,
// so a run over many records costs a few round trips, not one per record; its
// failure, found when the answers come, still fails the whole transaction.
#include "drivers/postgres/pg_round_trips.h"

#include "drivers/postgres/pg_driver.h"
#include "file_test_support.h"
#include "runtime/thread_wait.h"

namespace filetest {
namespace {

using apprt::ERRCODE;
using apprt::FILEERRORMSG;

class PgRoundTripsTest : public FileTest {
 protected:
  PGconn* session() {
    return static_cast<fesk::postgres::PgDriver&>(dataSet_.driver()).session()->session();
  }
  // `count` codes c00000, c00001, ... named "n", stored behind the driver's back.
  void seedCodes(int count) {
    dataSet_.sql("",
                 "INSERT INTO codes (code, name) SELECT 'c' || lpad(n::text, 5, '0'), 'n' "
                 "FROM generate_series(0, " +
                     std::to_string(count - 1) + ") n");
  }
  // Gives every code starting with "c" an "x" in front, record by record in
  // one transaction, as a cascade writes: "" when every step and the commit
  // succeeded, else the error code and the driver's message of the failure.
  static std::string recodeAll() {
    apprt::beginTransaction(5, {&CODES});
    if (ERRCODE() != 0) return std::to_string(ERRCODE()) + " " + FILEERRORMSG();
    CODES.setOnKey(CODE_KEY);
    for (CODES.next(); ERRCODE() == 0 && currentCode().starts_with("c"); CODES.next()) {
      CODES.buffer().CODE = "x" + currentCode();
      CODES.put();
      if (ERRCODE() != 0) break;
    }
    if (ERRCODE() != 0 && ERRCODE() != apprt::kNoMoreRecords) {
      const std::string failure = std::to_string(ERRCODE()) + " " + FILEERRORMSG();
      apprt::rollbackTransaction();
      return failure;
    }
    apprt::commitTransaction();
    return ERRCODE() == 0 ? "" : std::to_string(ERRCODE()) + " " + FILEERRORMSG();
  }
  // How many stored codes meet `condition`, asked in a session of its own.
  long long storedCount(const std::string& condition) {
    PGconn* other = PQconnectdb(dataSet_.conninfo().c_str());
    const std::string sql =
        "SELECT count(*) FROM \"" + dataSet_.schema() + "\".codes WHERE " + condition;
    PGresult* result = PQexec(other, sql.c_str());
    const long long count = PQntuples(result) == 1 ? std::stoll(PQgetvalue(result, 0, 0)) : -1;
    PQclear(result);
    PQfinish(other);
    return count;
  }
};

// A page of 15 rows read down from the row a browse stands on, as a page
// down reads it after the user's key: one round trip; the last page, read up
// from the end: one more.
TEST_P(PgRoundTripsTest, APageIsOneRoundTripAndAJumpAtMostTwo) {
  seedCodes(3000);
  CODES.buffer().CODE = "c01000";
  CODES.setOnKeyValue(CODE_KEY);
  CODES.next();
  const std::string row = CODES.positionByKey(CODE_KEY);
  apprt::threadWillWait();
  fesk::postgres::RoundTripCounter trips(session());
  for (int page = 0; page < 5; ++page) {
    const int before = trips.count();
    CODES.resetToPosition(CODE_KEY, row);
    for (int i = 0; i < 16; ++i) CODES.next();
    EXPECT_EQ(currentCode(), "c01015");
    apprt::threadWillWait();
    EXPECT_EQ(trips.count() - before, 1) << "page " << page;
  }
  const int before = trips.count();
  CODES.setOnKey(CODE_KEY);
  for (int i = 0; i < 16; ++i) CODES.previous();
  EXPECT_EQ(currentCode(), "c02984");
  EXPECT_LE(trips.count() - before, 2);
}

// Once connected, opening a file (its layout checked) and reading its first
// page: two round trips.
TEST_P(PgRoundTripsTest, AnOpenAndItsFirstPageTakeTwoRoundTripsOnceConnected) {
  seedCodes(100);
  closeTestFiles();
  fesk::postgres::PgDriver fresh(dataSet_.conninfo(), dataSet_.schema());
  ASSERT_TRUE(fresh.session()->ready().ok());
  fesk::postgres::RoundTripCounter trips(fresh.session()->session());
  CODES.bindDriver(fresh);
  CODES.open(apprt::kOpenSharedReadWrite);
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  CODES.setOnKey(CODE_KEY);
  for (int i = 0; i < 16; ++i) CODES.next();
  EXPECT_EQ(currentCode(), "c00015");
  EXPECT_LE(trips.count(), 2);
  CODES.close();
}

TEST_P(PgRoundTripsTest, ACascadeOverThousandsOfRecordsCostsAFewRoundTrips) {
  seedCodes(3000);
  fesk::postgres::RoundTripCounter trips(session());
  ASSERT_EQ(recodeAll(), "");
  EXPECT_LE(trips.count(), 10);
  EXPECT_EQ(storedCount("code LIKE 'xc%'"), 3000);
  EXPECT_EQ(storedCount("code LIKE 'c%'"), 0);
}

TEST_P(PgRoundTripsTest, AFailedWriteInTheMiddleOfACascadeFailsItAndWritesNothing) {
  seedCodes(3000);
  dataSet_.sql("", "INSERT INTO codes (code, name) VALUES ('xc01500', 'taken')");
  const std::string failure = recodeAll();
  EXPECT_TRUE(failure.starts_with("40 ")) << failure;
  EXPECT_NE(failure.find("c01500"), std::string::npos) << failure;
  EXPECT_EQ(storedCount("code LIKE 'c%'"), 3000) << "nothing of the cascade was kept";
  // The session goes on: the next transaction is saved.
  dataSet_.sql("", "DELETE FROM codes WHERE name = 'taken'");
  apprt::threadWillWait();
  EXPECT_EQ(recodeAll(), "");
  EXPECT_EQ(storedCount("code LIKE 'xc%'"), 3000);
}

INSTANTIATE_TEST_SUITE_P(Drivers, PgRoundTripsTest, ::testing::Values(Store::kPostgres),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
