// A process killed at any moment of a cascade leaves the parent and all its
// children under one code, also when another tool left the files in WAL mode.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/errors.h"
#include "runtime/file_fault_driver.h"

namespace fesk::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr int kChildren = 20000;
constexpr int kKills = 30;

// The real driver, telling when a commit begins.
class CommitAnnouncingDriver : public apprt::FaultDriver {
 public:
  explicit CommitAnnouncingDriver(Signal& committing)
      : FaultDriver(sqlite::defaultDriver()), committing_(committing) {}
  apprt::DriverStatus commit() override {
    committing_.send();
    return FaultDriver::commit();
  }

 private:
  Signal& committing_;
};

// The writer: re-codes the one parent (and so all its children) again and
// again, telling when each commit begins and when it is done, until killed.
[[noreturn]] void recodeUntilKilled(Signal& committing, Signal& committed) {
  CommitAnnouncingDriver driver(committing);
  apprt::bindDriver(FESK1, driver);
  apprt::bindDriver(FESK2, driver);
  OpenDataFile(FESK1);
  for (int round = 1;; ++round) {
    FESK1.setOnKey(FES_KEYCODE);
    FESK1.watch();
    FESK1.next();
    if (apprt::ERRCODE() != 0) _exit(2);
    RememberFesk1Code();
    FESK1.buffer().CODE = "P" + std::to_string(round);
    if (UpdateFesk1Record(false) != kWriteDone) _exit(3);
    committed.send();
  }
}

microseconds since(Clock::time_point start) {
  return std::chrono::duration_cast<microseconds>(Clock::now() - start);
}

// How many records carry each code.
std::map<std::string, int> codeCounts(const Records& records) {
  std::map<std::string, int> counts;
  for (const auto& record : records) ++counts[record.first];
  return counts;
}

using CascadeCrashTest = DataTest;

TEST_F(CascadeCrashTest, AKillDuringACascadeOnFilesLeftInWalModeLeavesNoPartialCascade) {
  seed({{"P0", "parent"}}, {});
  runSql(FESK2, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kChildren) +
                    ") INSERT INTO FESK2 (CODE, NUMBER) SELECT 'P0', i FROM n");
  std::mt19937 random(20261208);
  microseconds cascade{0};
  microseconds commit{0};
  std::vector<int> partial;
  for (int kill = 0; kill < kKills; ++kill) {
    ASSERT_EQ(runSql(FESK1, "PRAGMA journal_mode = WAL"), "wal");
    ASSERT_EQ(runSql(FESK2, "PRAGMA journal_mode = WAL"), "wal");
    Signal committing;
    Signal committed;
    const pid_t child = forkChild([&] { recodeUntilKilled(committing, committed); });
    ASSERT_TRUE(committing.receive() && committed.receive()) << "the first cascade failed";
    if (cascade.count() == 0) {
      const auto start = Clock::now();
      ASSERT_TRUE(committing.receive());
      const auto commitStart = Clock::now();
      ASSERT_TRUE(committed.receive());
      cascade = since(start);
      commit = since(commitStart);
      ASSERT_TRUE(committing.receive());
    }
    // At any moment of the next cascade, or, every other time, of its commit,
    // where both files are written.
    if (kill % 2 == 0) {
      std::this_thread::sleep_for(microseconds(random() % cascade.count()));
    } else {
      ASSERT_TRUE(committing.receive());
      std::this_thread::sleep_for(microseconds(random() % (commit.count() + 1)));
    }
    ::kill(child, SIGKILL);
    ASSERT_EQ(waitChild(child), -SIGKILL) << "the writer stopped by itself";

    const auto parents = storedFesk1();
    ASSERT_EQ(parents.size(), 1u);
    if (codeCounts(storedFesk2()) != std::map<std::string, int>{{parents[0].first, kChildren}}) {
      partial.push_back(kill);
    }
  }
  EXPECT_EQ(partial, std::vector<int>{}) << "kills that left a partial cascade";
  // What the commits of the killed writers left behind went at the opens since.
  for (const auto& entry : std::filesystem::directory_iterator(directory_)) {
    EXPECT_EQ(entry.path().string().find("-mj"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace fesk::test
