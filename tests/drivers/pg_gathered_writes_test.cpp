// Writes of one kind queued one after another go to the server as one
// statement, and its one-row answer (how many were carried out, and which
// when not all) still judges each write on its own: a write the server left
// out fails with its own message, never a neighbour's.
#include "drivers/postgres/pg_gathered_writes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using apprt::DriverStatus;
using fesk::postgres::Gathering;
using fesk::postgres::QueuedWrite;
using fesk::postgres::Result;

// Writes of one kind over the records named, each judged into `judged`.
std::vector<QueuedWrite> writesOf(const std::vector<std::string>& records,
                                  std::vector<std::string>& judged) {
  std::vector<QueuedWrite> writes;
  for (const std::string& record : records) {
    const auto check = [&judged, record](bool written) {
      judged.push_back(record + (written ? " written" : " left out"));
      return written ? DriverStatus{} : DriverStatus{apprt::kRecordNotFound, "", record + " gone"};
    };
    writes.push_back({{"UPDATE one", {"value of " + record, record}},
                      [](const Result&) { return DriverStatus{}; },
                      Gathering{"UPDATE many", check}});
  }
  return writes;
}

// The server's answer to a gathered write: the count, and the places or NULL.
Result answer(const char* count, const char* places) {
  PGresult* result = PQmakeEmptyPGresult(nullptr, PGRES_TUPLES_OK);
  PGresAttDesc columns[2] = {};
  columns[0].name = const_cast<char*>("count");
  columns[1].name = const_cast<char*>("places");
  PQsetResultAttrs(result, 2, columns);
  PQsetvalue(result, 0, 0, const_cast<char*>(count), static_cast<int>(std::strlen(count)));
  if (places) {
    PQsetvalue(result, 0, 1, const_cast<char*>(places), static_cast<int>(std::strlen(places)));
  } else {
    PQsetvalue(result, 0, 1, nullptr, -1);
  }
  return Result(result);
}

TEST(PgGatheredWrites, ARunGoesAsOneStatementAndEachWriteIsJudgedByItsPlace) {
  std::vector<std::string> judged;
  // The second write of r2 starts a run of its own: its writes keep their order.
  const auto statements =
      fesk::postgres::gathered(writesOf({"r1", "r2", "r3", "r4", "r2"}, judged));
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_NE(statements[0].write.sql.find("UPDATE many"), std::string::npos);
  EXPECT_EQ(
      statements[0].write.values,
      (std::vector<std::string>{R"({"value of r1","value of r2","value of r3","value of r4"})",
                                R"({"r1","r2","r3","r4"})"}));
  EXPECT_EQ(statements[1].write.sql, "UPDATE one") << "a write alone goes as it is";

  EXPECT_TRUE(statements[0].check(answer("4", nullptr)).ok());
  EXPECT_EQ(judged,
            (std::vector<std::string>{"r1 written", "r2 written", "r3 written", "r4 written"}));

  judged.clear();
  const DriverStatus short_ = statements[0].check(answer("3", "{1,2,4}"));
  EXPECT_EQ(short_.code, apprt::kRecordNotFound);
  EXPECT_EQ(short_.driverMessage, "r3 gone");
  EXPECT_EQ(judged, (std::vector<std::string>{"r1 written", "r2 written", "r3 left out"}));
}

TEST(PgGatheredWrites, ValuesAreQuotedForTheServersArrays) {
  const std::string a = "say \"hi\"";
  const std::string b = R"(back\slash)";
  const std::string c;
  EXPECT_EQ(fesk::postgres::arrayLiteral({&a, &b, &c}), R"({"say \"hi\"","back\\slash",""})");
}

}  // namespace
