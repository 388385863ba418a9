// The threads of a program take turns on its one connection: a thread's
// transaction is never interleaved with another thread's statements (which
// go on a connection of their own meanwhile), a thread kept waiting too long
// to begin is told why, and the statements the threads prepare on the
// connection never clash, before a loss of the session or after it.
#include "drivers/postgres/pg_connection.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <thread>

#include "drivers/postgres/pg_server_session.h"
#include "support/scratch_data_set.h"
#include "support/test_server.h"
#include "support/wait_until.h"

namespace {

using apprt::DriverStatus;
using fesk::postgres::Connection;
using fesk::postgres::Result;
using fesk::postgres::ServerSession;

class PgConnectionTest : public testing::Test {
 protected:
  void SetUp() override {
    dataSet_.sql("", "CREATE SCHEMA IF NOT EXISTS \"" + dataSet_.schema() + "\"; CREATE TABLE " +
                         table_ + " (id bigint PRIMARY KEY, v text NOT NULL); INSERT INTO " +
                         table_ + " VALUES (1, 'x')");
  }

  // The calling thread's session on the program's connection.
  std::shared_ptr<ServerSession> session() { return ServerSession::forThisThread(connection_); }

  // The stored value, and the server process that read it, as `session` reads them.
  static std::string read(ServerSession& session, const std::string& table, DriverStatus& status) {
    const Result result = session.run(
        "SELECT v || ' ' || pg_backend_pid() FROM " + table + " WHERE id = 1", {}, status);
    return status.ok() ? std::string(result.text(0, 0)) : status.driverMessage;
  }

  fesk::test::ScratchDataSet dataSet_{fesk::test::Store::kPostgres};
  const std::string table_ = "\"" + dataSet_.schema() + "\".stored";
  std::shared_ptr<Connection> connection_ =
      std::make_shared<Connection>(fesk::test::sharedTestServer());
};

// A thread's statement during another thread's transaction is never sent
// into it: it goes on a connection of its own, and sees what was committed.
TEST_F(PgConnectionTest, AnotherThreadsReadNeverJoinsTheTransactionUnderWay) {
  auto mine = session();
  ASSERT_TRUE(mine->begin(table_, "STORED", 5).ok());
  DriverStatus status;
  mine->run("UPDATE " + table_ + " SET v = 'dirty' WHERE id = 1", {}, status);
  ASSERT_TRUE(status.ok()) << status.driverMessage;
  const std::string backend = std::to_string(PQbackendPID(mine->libpq()));

  std::string seen;
  DriverStatus seenStatus;
  std::thread other([&] { seen = read(*session(), table_, seenStatus); });
  other.join();
  ASSERT_TRUE(seenStatus.ok()) << seenStatus.driverMessage;
  EXPECT_EQ(seen.substr(0, 2), "x ") << "the stored value, not the transaction's";
  EXPECT_NE(seen, "x " + backend) << "on a session of its own";
  EXPECT_TRUE(mine->inTransaction()) << "the transaction goes on";
  EXPECT_TRUE(mine->rollback().ok());

  // Once the transaction is over, the threads take turns on the one session.
  ASSERT_TRUE(mine->begin(table_, "STORED", 5).ok());
  mine->run("UPDATE " + table_ + " SET v = 'saved' WHERE id = 1", {}, status);
  ASSERT_TRUE(mine->commit().ok());
  std::thread after([&] { seen = read(*session(), table_, seenStatus); });
  after.join();
  EXPECT_EQ(seen, "saved " + backend);
  EXPECT_FALSE(connection_->heldHere());
}

TEST_F(PgConnectionTest, AThreadKeptWaitingPastItsTimeOutIsToldAsForAnotherWriter) {
  auto mine = session();
  ASSERT_TRUE(mine->begin(table_, "STORED", 5).ok());
  DriverStatus begun;
  std::thread other([&] {
    auto theirs = session();
    begun = theirs->begin(table_, "STORED", 1);
    EXPECT_FALSE(theirs->inTransaction());
  });
  other.join();
  EXPECT_EQ(begun.driverCode, "55P03");
  EXPECT_EQ(begun.driverMessage, "STORED is being written by another user; gave up after 1 s");
  EXPECT_TRUE(mine->inTransaction()) << "the transaction under way goes on";
  EXPECT_TRUE(mine->commit().ok());
}

// A long read of one snapshot (an export, a backup) holds no connection the
// other windows need: another thread saves meanwhile, at once, and the
// snapshot still reads the file as it was.
TEST_F(PgConnectionTest, ASnapshotReadsBesideASaveOfAnotherThread) {
  auto reader = session();
  ASSERT_TRUE(reader->beginSnapshot().ok());
  DriverStatus status;
  const std::string before = read(*reader, table_, status);
  ASSERT_TRUE(status.ok()) << before;

  DriverStatus saved;
  std::thread writer([&] {
    auto mine = session();
    saved = mine->begin(table_, "STORED", 1);
    DriverStatus wrote;
    mine->run("UPDATE " + table_ + " SET v = 'new' WHERE id = 1", {}, wrote);
    if (saved.ok()) saved = wrote.ok() ? mine->commit() : wrote;
  });
  writer.join();
  EXPECT_TRUE(saved.ok()) << saved.driverMessage;
  EXPECT_EQ(read(*reader, table_, status), before) << "one moment of the file";
  EXPECT_TRUE(reader->commit().ok());
  EXPECT_EQ(read(*reader, table_, status).substr(0, 4), "new ");
}

// Threads preparing their statements on one connection, and a session the
// server ends under them: no name is prepared twice, and none that the loss
// took away is used again.
TEST_F(PgConnectionTest, ThreadsShareThePreparedStatementsOfTheConnectionAcrossALoss) {
  constexpr int kRuns = 200;
  std::atomic<int> halfway = 0;
  std::atomic<bool> cut = false;
  const auto work = [&](int offset, std::vector<std::string>& failures) {
    auto mine = session();
    for (int run = 0; run < kRuns; ++run) {
      if (run == kRuns / 2) {
        ++halfway;
        ASSERT_TRUE(fesk::test::waitUntil([&] { return cut.load(); }));
      }
      DriverStatus status;
      const std::string sql = "SELECT $1::int + " + std::to_string((run + offset) % 12);
      const Result result = mine->run(sql, {std::to_string(run)}, status);
      if (!status.ok()) {
        // The statement that meets the loss may fail, saying so; nothing else.
        if (status.driverCode != apprt::kUnreachableDriverCode || run < kRuns / 2) {
          failures.push_back(status.driverMessage);
        }
      } else if (result.text(0, 0) != std::to_string(run + (run + offset) % 12)) {
        failures.push_back("wrong answer to " + sql);
      }
    }
  };
  std::vector<std::string> first;
  std::vector<std::string> second;
  std::thread a(work, 0, std::ref(first));
  std::thread b(work, 5, std::ref(second));
  ASSERT_TRUE(fesk::test::waitUntil([&] { return halfway == 2; }));
  DriverStatus status;
  const std::string before = read(*session(), table_, status);
  PGconn* administrator = PQconnectdb(fesk::test::sharedTestServer().c_str());
  const std::string backend = before.substr(before.find(' ') + 1);
  PQclear(PQexec(administrator, ("SELECT pg_terminate_backend(" + backend + ")").c_str()));
  PQfinish(administrator);
  cut = true;
  a.join();
  b.join();
  EXPECT_TRUE(first.empty()) << first.front();
  EXPECT_TRUE(second.empty()) << second.front();
  const std::string after = read(*session(), table_, status);
  ASSERT_TRUE(status.ok()) << after;
  EXPECT_NE(after, before) << "the work went on on a new session";
}

}  // namespace
