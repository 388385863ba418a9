// A process killed at any moment of a cascade leaves the parent and all its
// children under one code, also when another tool left the files in WAL mode.
#include <gtest/gtest.h>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data_test_support.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

using CascadeCrashTest = DataTest;

TEST_F(CascadeCrashTest, AKillDuringACascadeOnFilesLeftInWalModeLeavesNoPartialCascade) {
  seed({{"P0", "parent"}}, {});
  seedChildren("P0", kManyChildren);
  CascadeKiller killer(20261208);
  std::vector<int> partial;
  for (int kill = 0; kill < 20; ++kill) {
    ASSERT_EQ(runSql(FESK1, "PRAGMA journal_mode = WAL"), "wal");
    ASSERT_EQ(runSql(FESK2, "PRAGMA journal_mode = WAL"), "wal");
    Signal committing, committed;
    const pid_t child =
        forkChild([&] { recodeUntilKilled(sqlite::defaultDriver(), committing, committed); });
    ASSERT_TRUE(killer.kill(child, committing, committed));

    const auto parents = storedFesk1();
    ASSERT_EQ(parents.size(), 1u);
    const std::string children =
        "SELECT count(*) FROM FESK2 WHERE CODE = '" + parents[0].first + "'";
    if (runSql(FESK2, children) != std::to_string(kManyChildren)) partial.push_back(kill);
  }
  EXPECT_EQ(partial, std::vector<int>{}) << "kills that left a partial cascade";
  // What the commits of the killed writers left behind went at the opens since.
  for (const auto& entry : std::filesystem::directory_iterator(dataSet_.directory())) {
    EXPECT_EQ(entry.path().string().find("-mj"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace fesk::test
