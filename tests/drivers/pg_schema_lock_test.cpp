// The lock on a data set on a server, one fesk after another: a lock let go of
// is free at once for the next fesk, which never takes the one before for a
// restore still under way or for another fesk still using the data.
#include "drivers/postgres/pg_schema_lock.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/scratch_data_set.h"

namespace fesk::test {
namespace {

TEST(PgSchemaLock, ALockLetGoOfIsFreeForTheNextFeskAtOnce) {
  ScratchDataSet server(Store::kPostgres);
  std::string why;
  for (int round = 0; round < 100; ++round) {
    {
      // A restore, ended: the lock alone, let go of as the process ends.
      postgres::SchemaLock restore;
      ASSERT_TRUE(restore.takeAlone(server.conninfo(), server.schema(), why)) << why;
    }
    std::optional<postgres::SchemaLock> user(std::in_place);
    ASSERT_TRUE(user->share(server.conninfo(), server.schema(), why))
        << "round " << round << ": " << why;
    user->release();
    postgres::SchemaLock next;
    ASSERT_TRUE(next.takeAlone(server.conninfo(), server.schema(), why))
        << "round " << round << ": " << why;
  }
}

}  // namespace
}  // namespace fesk::test
