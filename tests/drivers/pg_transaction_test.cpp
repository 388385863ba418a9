// A session's transaction: one at a time, saved only when the server answers
// COMMIT, and otherwise rolled back with the failure that spoiled it told;
// atomic work joins the transaction under way or runs in one of its own.
#include "drivers/postgres/pg_transaction.h"

#include <gtest/gtest.h>

#include "drivers/postgres/pg_server_session.h"
#include "support/test_server.h"

namespace {

using apprt::DriverStatus;
using fesk::postgres::Result;

class PgTransactionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_
                    .runScript("CREATE TEMP TABLE kept (id bigint PRIMARY KEY, v text); "
                               "INSERT INTO kept VALUES (1, 'a'), (2, 'b')")
                    .ok());
  }

  DriverStatus run(const std::string& sql, const std::vector<std::string>& values = {}) {
    DriverStatus status;
    session_.run(sql, values, status);
    return status;
  }

  // The values of the table, in the order of their records.
  std::string kept() {
    DriverStatus status;
    const Result result =
        session_.run("SELECT string_agg(v, '' ORDER BY id) FROM kept", {}, status);
    return status.ok() ? std::string(result.text(0, 0)) : status.driverMessage;
  }

  // Queues a change of record `id` to `v`, as a file does for a write whose
  // answer it need not wait for.
  DriverStatus queueChange(const std::string& id, const std::string& v) {
    const std::string what = "record " + id;
    return session_.queue(
        {{v, id},
         "UPDATE kept SET v = gathered.v FROM unnest($1::text[], $2::bigint[]) WITH "
         "ORDINALITY AS gathered(v, id, place) WHERE kept.id = gathered.id "
         "RETURNING gathered.place",
         [what](bool written) {
           return written ? DriverStatus{}
                          : DriverStatus{apprt::kRecordNotFound, "", what + " is gone"};
         }});
  }

  fesk::postgres::ServerSession session_{fesk::test::sharedTestServer()};
  fesk::postgres::Transaction& transaction_ = session_.transaction();
};

TEST_F(PgTransactionTest, ACommitAfterAFailureRollsBackAndTellsTheFirstFailure) {
  ASSERT_TRUE(transaction_.begin("kept", "KEPT", 5).ok());
  EXPECT_EQ(transaction_.begin("kept", "KEPT", 5).driverMessage,
            "a transaction is already active in this thread");
  EXPECT_EQ(transaction_.beginSnapshot().driverMessage,
            "a transaction is already active in this thread");
  EXPECT_TRUE(run("UPDATE kept SET v = 'x' WHERE id = 1").ok());
  EXPECT_EQ(run("SELECT 1 / $1::integer", {"0"}).driverCode, "22012");
  // Everything after it the server refuses, in words of its own.
  EXPECT_EQ(run("UPDATE kept SET v = 'y' WHERE id = 2").driverCode, "25P02");

  const DriverStatus committed = transaction_.commit();
  EXPECT_EQ(committed.code, apprt::kDriverError);
  EXPECT_EQ(committed.driverCode, "25P02");
  EXPECT_EQ(committed.driverMessage,
            "the transaction was rolled back after a failure: division by zero");
  EXPECT_FALSE(transaction_.active());
  EXPECT_EQ(kept(), "ab");
  EXPECT_EQ(transaction_.commit().driverMessage, "no transaction is active");

  // The next transaction starts clean, and is saved.
  ASSERT_TRUE(transaction_.begin("kept", "KEPT", 5).ok());
  EXPECT_TRUE(run("UPDATE kept SET v = 'x' WHERE id = 1").ok());
  EXPECT_TRUE(transaction_.commit().ok());
  EXPECT_EQ(kept(), "xb");
}

TEST_F(PgTransactionTest, AQueuedWriteLeftOutIsToldByTheCommitWhichSavesNothing) {
  ASSERT_TRUE(transaction_.begin("kept", "KEPT", 5).ok());
  EXPECT_TRUE(queueChange("1", "x").ok());
  EXPECT_TRUE(queueChange("9", "x").ok()) << "told at the commit, which brings its answer";
  const DriverStatus committed = transaction_.commit();
  EXPECT_EQ(committed.code, apprt::kRecordNotFound);
  EXPECT_EQ(committed.driverMessage, "record 9 is gone");
  EXPECT_FALSE(transaction_.active());
  EXPECT_EQ(kept(), "ab");

  // Outside a transaction a write is carried out at once and judged by its check.
  EXPECT_EQ(queueChange("9", "x").driverMessage, "record 9 is gone");
  EXPECT_TRUE(queueChange("2", "c").ok());
  EXPECT_EQ(kept(), "ac");
}

TEST_F(PgTransactionTest, AtomicWorkJoinsTheTransactionUnderWayOrRunsInOneOfItsOwn) {
  // Its own: committed when the work succeeds, rolled back when it fails.
  EXPECT_TRUE(
      transaction_.atomically([&] { return run("UPDATE kept SET v = 'x' WHERE id = 1"); }).ok());
  EXPECT_FALSE(transaction_.active());
  const DriverStatus refused = transaction_.atomically([&] {
    EXPECT_TRUE(run("UPDATE kept SET v = 'y' WHERE id = 2").ok());
    return DriverStatus{apprt::kChangedByOtherStation};
  });
  EXPECT_EQ(refused.code, apprt::kChangedByOtherStation);
  EXPECT_FALSE(transaction_.active());
  EXPECT_EQ(kept(), "xb");

  // The one under way: it ends with it.
  ASSERT_TRUE(transaction_.begin("kept", "KEPT", 5).ok());
  EXPECT_TRUE(
      transaction_.atomically([&] { return run("UPDATE kept SET v = 'z' WHERE id = 2"); }).ok());
  EXPECT_TRUE(transaction_.active());
  EXPECT_TRUE(transaction_.rollback().ok());
  EXPECT_EQ(kept(), "xb");
}

}  // namespace
