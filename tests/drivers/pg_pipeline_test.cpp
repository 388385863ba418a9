// The pipeline's bookkeeping against the real server: what a transaction
// queued goes with the statement that needs an answer in one round trip,
// each answer is judged in order (a queued write by its check, the first
// failure told and kept for the commit), and a statement is prepared once
// per session, again after the server refused its preparation.
#include "drivers/postgres/pg_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "drivers/postgres/pg_round_trips.h"
#include "pg_stored_table.h"
#include "support/test_server.h"

namespace {

using apprt::DriverStatus;
using fesk::postgres::AtStake;
using fesk::postgres::Pipeline;
using fesk::postgres::Query;
using fesk::postgres::Result;
using fesk::postgres::ServerLink;

using fesk::test::kStored;
using fesk::test::kUpdateMany;

class PgPipelineTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link_.ready().ok());
    DriverStatus status;
    link_.exchange(kStored, status);
    ASSERT_TRUE(status.ok()) << status.driverMessage;
  }

  // Begins a transaction on the link, as the session's transaction does.
  void begin() {
    DriverStatus status;
    link_.exchange("BEGIN", status);
    ASSERT_TRUE(status.ok()) << status.driverMessage;
    link_.stake(AtStake::kTransaction);
  }

  void rollback() {
    DriverStatus status;
    link_.exchange("ROLLBACK", status);
    link_.stake(AtStake::kNothing);
    pipeline_.discardQueued();
  }

  // Queues an update of `record` to `value`, judged into judged_.
  DriverStatus queueUpdate(const std::string& record, const std::string& value = "") {
    const auto check = [this, record](bool written) {
      judged_.push_back(record + (written ? " written" : " left out"));
      return written ? DriverStatus{} : DriverStatus{apprt::kRecordNotFound, "", record + " gone"};
    };
    return pipeline_.queue({{value.empty() ? "new " + record : value, record}, kUpdateMany, check});
  }

  std::string values() {
    DriverStatus status;
    const Result result =
        link_.exchange("SELECT string_agg(value, ',' ORDER BY id) FROM stored", status);
    return status.ok() ? std::string(result.text(0, 0)) : status.driverMessage;
  }

  bool prepared(const std::string& sql) const {
    const auto all = pipeline_.preparedStatements();
    return std::count(all.begin(), all.end(), sql) == 1;
  }

  ServerLink link_{fesk::test::sharedTestServer()};
  Pipeline pipeline_{link_};
  std::vector<std::string> judged_;
};

TEST_F(PgPipelineTest, QueuedWritesGoWithTheNextStatementInOneRoundTripJudgedInOrder) {
  begin();
  for (const char* record : {"r1", "r2", "r4"}) ASSERT_TRUE(queueUpdate(record).ok());
  EXPECT_TRUE(pipeline_.queuing());
  EXPECT_TRUE(judged_.empty()) << "nothing is judged before it is answered";

  fesk::postgres::RoundTripCounter trips(link_.libpq());
  const Query read{"SELECT count(*) FROM stored WHERE value LIKE $1", {"new %"}};
  DriverStatus status;
  const Result answer = pipeline_.exchange(&read, status);
  EXPECT_EQ(trips.count(), 1);
  ASSERT_TRUE(status.ok()) << status.driverMessage;
  EXPECT_EQ(answer.number(0, 0), 3) << "the read comes after the writes queued before it";
  EXPECT_EQ(judged_, (std::vector<std::string>{"r1 written", "r2 written", "r4 written"}));
  EXPECT_FALSE(pipeline_.queuing());
  EXPECT_FALSE(pipeline_.open());
  EXPECT_TRUE(prepared(read.sql));
  EXPECT_FALSE(prepared(kUpdateMany)) << "a run is planned for its length each time";

  // Used again, the read is not prepared again: the same name, one statement.
  const std::size_t preparedBefore = pipeline_.preparedStatements().size();
  pipeline_.exchange(&read, status);
  EXPECT_TRUE(status.ok()) << status.driverMessage;
  EXPECT_EQ(pipeline_.preparedStatements().size(), preparedBefore);
  rollback();
}

TEST_F(PgPipelineTest, AWriteLeftOutFailsItsTransactionAndTheStatementsBehindIt) {
  begin();
  // One run over r2 and r3 (not stored): it falls short, and only r3's write fails.
  for (const char* record : {"r2", "r3"}) ASSERT_TRUE(queueUpdate(record).ok());
  const Query read{"SELECT 'read behind ' || $1", {"the run"}};
  DriverStatus status;
  const Result answer = pipeline_.exchange(&read, status);
  EXPECT_EQ(status.code, apprt::kRecordNotFound);
  EXPECT_EQ(status.driverMessage, "r3 gone");
  EXPECT_EQ(answer.get(), nullptr) << "a failed pipeline answers nothing";
  EXPECT_EQ(judged_, (std::vector<std::string>{"r2 written", "r3 left out"}));
  EXPECT_EQ(pipeline_.queuedFailure().driverMessage, "r3 gone") << "kept for the commit";
  EXPECT_EQ(link_.firstFailure(), "r3 gone") << "the transaction's first failure";
  // The read's preparation was skipped by the server: it is made at its next use.
  EXPECT_FALSE(prepared(read.sql));

  // Nothing more of a transaction that cannot be saved is sent.
  EXPECT_EQ(queueUpdate("r1").driverMessage, "r3 gone");
  EXPECT_FALSE(pipeline_.queuing());
  rollback();
  EXPECT_TRUE(pipeline_.queuedFailure().ok()) << "the next transaction starts clean";
  EXPECT_EQ(values(), ",,") << "nothing saved";

  const Result again = pipeline_.exchange(&read, status);
  ASSERT_TRUE(status.ok()) << status.driverMessage;
  EXPECT_EQ(again.text(0, 0), "read behind the run");
  EXPECT_TRUE(prepared(read.sql));

  // A failure of another kind whose words read like a run's shortfall, every
  // write named (another tool's rule on a value), still fails: the server
  // skipped what came behind it.
  DriverStatus ruled;
  link_.exchange("ALTER TABLE stored ADD CHECK (value NOT LIKE 'fell%' OR value::integer > 0)",
                 ruled);
  ASSERT_TRUE(ruled.ok()) << ruled.driverMessage;
  begin();
  judged_.clear();
  for (const char* record : {"r1", "r2"}) ASSERT_TRUE(queueUpdate(record, "fell short {1,2}").ok());
  pipeline_.exchange(&read, status);
  EXPECT_EQ(judged_, (std::vector<std::string>{"r1 written", "r2 written"}));
  EXPECT_EQ(status.driverCode, "22P02") << status.driverMessage;
  EXPECT_NE(status.driverMessage.find("fell short {1,2}"), std::string::npos)
      << status.driverMessage;
  EXPECT_EQ(pipeline_.queuedFailure().driverCode, "22P02");
  rollback();
}

TEST_F(PgPipelineTest, AFailureIsToldInTheServersWordsAndARefusedPreparationIsMadeAgain) {
  // Outside a transaction a failure is told and the link goes on; the
  // statement stays prepared (its preparation took, its run failed).
  const Query divide{"SELECT 1 / $1::integer", {"0"}};
  DriverStatus status;
  pipeline_.exchange(&divide, status);
  EXPECT_EQ(status.code, apprt::kDriverError);
  EXPECT_EQ(status.driverCode, "22012");
  EXPECT_NE(status.driverMessage.find("division by zero"), std::string::npos)
      << status.driverMessage;
  EXPECT_TRUE(link_.firstFailure().empty()) << "no transaction to fail";
  EXPECT_TRUE(prepared(divide.sql));

  // A statement the server cannot prepare is not taken for prepared.
  const Query wrong{"SELEC $1", {"x"}};
  pipeline_.exchange(&wrong, status);
  EXPECT_EQ(status.driverCode, "42601");
  EXPECT_FALSE(prepared(wrong.sql));
  pipeline_.exchange(&wrong, status);
  EXPECT_EQ(status.driverCode, "42601") << "prepared anew, and refused anew";

  // A pipeline whose writes fail inside a transaction keeps the first
  // failure; a statement's own failure outside any write is not kept for
  // the commit.
  begin();
  pipeline_.exchange(&divide, status);
  EXPECT_EQ(status.driverCode, "22012");
  EXPECT_TRUE(pipeline_.queuedFailure().ok());
  EXPECT_NE(link_.firstFailure().find("division by zero"), std::string::npos);
  rollback();

  const Query one{"SELECT $1::integer + 1", {"41"}};
  const Result answer = pipeline_.exchange(&one, status);
  ASSERT_TRUE(status.ok()) << status.driverMessage;
  EXPECT_EQ(answer.number(0, 0), 42);
}

TEST_F(PgPipelineTest, WhatWasQueuedSentOrPreparedGoesWithTheLink) {
  begin();
  ASSERT_TRUE(queueUpdate("r1").ok());
  const Query read{"SELECT $1::text", {"x"}};
  DriverStatus status;
  pipeline_.exchange(&read, status);
  ASSERT_TRUE(prepared(read.sql));
  ASSERT_TRUE(queueUpdate("r2").ok());
  link_.close();
  EXPECT_FALSE(pipeline_.queuing());
  EXPECT_FALSE(pipeline_.open());
  EXPECT_TRUE(pipeline_.preparedStatements().empty());
  link_.stake(AtStake::kNothing);
  pipeline_.discardQueued();

  // A new link prepares anew under the same names, which the server takes.
  ASSERT_TRUE(link_.ready().ok());
  const Result answer = pipeline_.exchange(&read, status);
  ASSERT_TRUE(status.ok()) << status.driverMessage;
  EXPECT_EQ(answer.text(0, 0), "x");
  EXPECT_TRUE(prepared(read.sql));
}

}  // namespace
