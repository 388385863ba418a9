// Writes of one kind queued one after another go to the server as one
// statement, and its answer still judges each write on its own: a run that
// the server carried out in part fails there, and the write it left out
// fails with its own message, never a neighbour's.
#include "drivers/postgres/pg_gathered_writes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "pg_stored_table.h"
#include "support/test_server.h"

namespace {

using apprt::DriverStatus;
using fesk::postgres::QueuedWrite;
using fesk::postgres::Result;
using fesk::postgres::WriteRun;

using fesk::test::kStored;
using fesk::test::kUpdateMany;

// Writes of one kind over the records named, each judged into `judged`.
std::vector<QueuedWrite> writesOf(const std::vector<std::string>& records,
                                  std::vector<std::string>& judged) {
  std::vector<QueuedWrite> writes;
  for (const std::string& record : records) {
    const auto check = [&judged, record](bool written) {
      judged.push_back(record + (written ? " written" : " left out"));
      return written ? DriverStatus{} : DriverStatus{apprt::kRecordNotFound, "", record + " gone"};
    };
    writes.push_back({{"value of " + record, record}, kUpdateMany, check});
  }
  return writes;
}

// The server's answer to `run`, in a session where kStored was made.
Result answer(PGconn* session, const WriteRun& run) {
  std::vector<const char*> values;
  for (const std::string& value : run.statement.values) values.push_back(value.c_str());
  return Result(PQexecParams(session, run.statement.sql.c_str(), static_cast<int>(values.size()),
                             nullptr, values.data(), nullptr, nullptr, 0));
}

TEST(PgGatheredWrites, ARunGoesAsOneStatementAndEachWriteIsJudgedByItsPlace) {
  std::vector<std::string> judged;
  // The second write of r2 starts a run of its own: its writes keep their order.
  const auto statements =
      fesk::postgres::gathered(writesOf({"r1", "r2", "r4", "r2", "r1", "r3", "r4"}, judged));
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[0].statement.values,
            (std::vector<std::string>{R"({"value of r1","value of r2","value of r4"})",
                                      R"({"r1","r2","r4"})"}));

  const std::unique_ptr<PGconn, decltype(&PQfinish)> connected(
      PQconnectdb(fesk::test::sharedTestServer().c_str()), &PQfinish);
  PGconn* session = connected.get();
  ASSERT_EQ(PQstatus(session), CONNECTION_OK) << PQerrorMessage(session);
  PQclear(PQexec(session, kStored));
  const Result whole = answer(session, statements[0]);
  EXPECT_TRUE(whole.ok()) << PQresultErrorMessage(whole.get());
  EXPECT_TRUE(statements[0].check(whole).ok());
  EXPECT_EQ(judged, (std::vector<std::string>{"r1 written", "r2 written", "r4 written"}));

  // r3 is not stored: the run fails on the server, and only r3's write with it.
  judged.clear();
  const Result partial = answer(session, statements[1]);
  EXPECT_FALSE(partial.ok());
  EXPECT_TRUE(fesk::postgres::fellShort(partial)) << PQresultErrorMessage(partial.get());
  const DriverStatus short_ = statements[1].check(partial);
  EXPECT_EQ(short_.code, apprt::kRecordNotFound);
  EXPECT_EQ(short_.driverMessage, "r3 gone");
  EXPECT_EQ(judged, (std::vector<std::string>{"r2 written", "r1 written", "r3 left out"}));

  // Any other failure is not a run that fell short (the pipeline never
  // takes one that reads like it for carried out: pg_pipeline_test.cpp).
  const Result refused = Result(PQexec(session, "SELECT 'x'::integer"));
  EXPECT_FALSE(fesk::postgres::fellShort(refused));
}

TEST(PgGatheredWrites, ValuesAreQuotedForTheServersArrays) {
  const std::string a = "say \"hi\"";
  const std::string b = R"(back\slash)";
  const std::string c;
  EXPECT_EQ(fesk::postgres::arrayLiteral({&a, &b, &c}), R"({"say \"hi\"","back\\slash",""})");
}

}  // namespace
