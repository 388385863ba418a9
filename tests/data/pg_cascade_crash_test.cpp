// On the server, a cascade's writes go out in pipelines without waiting for
// each answer: a process killed at any moment of one (mid-pipeline, or while
// its commit is under way) leaves the parent and all its children under one
// code, never some children behind.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

constexpr int kChildren = 10000;

class PgCascadeCrashTest : public DataTest {
 protected:
  PgCascadeCrashTest() : DataTest(Store::kPostgres) {}
  // The parents, and the children under the code of one of them, in one
  // statement (so from one snapshot): "parents/children". A station killed
  // after its commit went out may still be committing: the lock waits for
  // the server to end its transaction, so that the next station starts from
  // where that one left the data, not from what is about to change.
  std::string stored() {
    PGconn* session = PQconnectdb(dataSet_.conninfo().c_str());
    const std::string schema = "\"" + dataSet_.schema() + "\".";
    PGresult* locked = PQexec(session, ("BEGIN; SET LOCAL lock_timeout = '30s'; LOCK TABLE " +
                                        schema + "fesk1, " + schema + "fesk2 IN SHARE MODE")
                                           .c_str());
    EXPECT_EQ(PQresultStatus(locked), PGRES_COMMAND_OK) << PQerrorMessage(session);
    PQclear(locked);
    const std::string sql = "SELECT (SELECT count(*) FROM " + schema +
                            "fesk1) || '/' || (SELECT count(*) FROM " + schema +
                            "fesk2 WHERE code = (SELECT min(code) FROM " + schema + "fesk1))";
    PGresult* result = PQexec(session, sql.c_str());
    std::string answer = PQntuples(result) == 1 ? PQgetvalue(result, 0, 0) : "";
    PQclear(result);
    PQfinish(session);
    return answer;
  }
};

TEST_F(PgCascadeCrashTest, AKillDuringAPipelinedCascadeLeavesAllOrNone) {
  seed({{"P0", "parent"}}, {});
  dataSet_.sql("",
               "INSERT INTO fesk2 (code, number) SELECT 'P0', n::text FROM generate_series(1, " +
                   std::to_string(kChildren) + ") n");
  const std::string whole = "1/" + std::to_string(kChildren);
  ASSERT_EQ(stored(), whole);
  CascadeKiller killer(20261209);
  std::vector<int> partial;
  for (int kill = 0; kill < 20; ++kill) {
    Signal committing, committed;
    const pid_t child =
        forkChild([&] { recodeUntilKilled(dataSet_.driver(), committing, committed); });
    ASSERT_TRUE(killer.kill(child, committing, committed));
    if (stored() != whole) partial.push_back(kill);
  }
  EXPECT_EQ(partial, std::vector<int>{}) << "kills that left a partial cascade";
}

}  // namespace
}  // namespace fesk::test
