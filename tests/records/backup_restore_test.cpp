// Backups taken while other processes write, and restores that wait for every
// other fesk to let go of the data, on either driver.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "data/data_files.h"
#include "data/data_test_support.h"
#include "data/record_writes.h"
#include "drivers/postgres/pg_schema.h"
#include "drivers/postgres/pg_server_session.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "records/csv_import.h"
#include "records/data_set_files.h"
#include "records/fesk_process.h"
#include "runtime/files/errors.h"
#include "support/temporary_directory.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

// Enough children that a backup reads them in several batches, few enough
// that the writer re-codes them several times while backups are taken: on a
// server every child of a cascade costs a round trip.
int childrenOn(Store store) {
  return store == Store::kSqlite ? 10000 : 2000;
}

// Re-codes the parent P0 to P1 and back, with its children, through the
// program's own cascade, telling `committed` of every commit. Like a person it
// pauses between two changes: a writer that never lets go of the files would
// keep the backup waiting until it gives up.
[[noreturn]] void recodeUntilKilled(int committed) {
  std::thread([&] {
    runInProgram([&] {
      openBothAsAProcedure();
      for (;;) {
        const bool atP0 = readFesk1("P0");
        if (!atP0 && !readFesk1("P1")) continue;
        RememberFesk1Code();
        FESK1.buffer().CODE = atP0 ? "P1" : "P0";
        if (UpdateFesk1Record(false) == kWriteDone) (void)!write(committed, "c", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }).join();
  _exit(0);
}

// How many records of each code a data directory holds, per file.
std::map<std::string, int> codesIn(const std::filesystem::path& directory) {
  sqlite::SqliteDriver driver(directory);
  const records::DataSetFiles files(driver);
  std::map<std::string, int> codes;
  for (const auto* file : files.all()) {
    file->open(apprt::kOpenSharedReadOnly);
    for (file->next(); apprt::ERRCODE() == 0; file->next()) {
      ++codes[file->fileName() + " " + file->field(0).text()];
    }
    codes["error " + file->fileName()] = apprt::ERRCODE();
    file->close();
  }
  return codes;
}

// A child process, killed when the test ends however it ends.
struct KilledAtEnd {
  explicit KilledAtEnd(pid_t pid) : pid(pid) {}
  KilledAtEnd(const KilledAtEnd&) = delete;
  ~KilledAtEnd() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid_t pid;
};

class BackupRestoreTest : public EveryDriverDataTest {
 protected:
  // `arguments` with the options that name the test's data set.
  std::vector<std::string> withDataSet(std::vector<std::string> arguments) const {
    if (dataSet_.store() == Store::kSqlite) {
      arguments.push_back("--data-dir=" + dataSet_.directory().string());
    } else {
      arguments.insert(arguments.end(),
                       {"--database", dataSet_.conninfo(), "--schema", dataSet_.schema()});
    }
    return arguments;
  }
  // The data set as fesk's messages name it.
  std::string dataSetName() const {
    return dataSet_.store() == Store::kSqlite
               ? dataSet_.directory().string()
               : dataSet_.conninfo() + " (schema " + dataSet_.schema() + ")";
  }
  // Whether a transaction of another process is writing FESK1.
  bool fesk1BeingWritten() const {
    if (dataSet_.store() == Store::kSqlite) {
      return std::filesystem::exists(dataSet_.directory() / "FESK1.sqlite-journal");
    }
    postgres::ServerSession session(dataSet_.conninfo());
    apprt::DriverStatus status;
    const auto locks = session.run(
        "SELECT count(*) FROM pg_locks WHERE relation = to_regclass($1) AND granted AND "
        "mode = 'ShareRowExclusiveLock'",
        {postgres::tableName(dataSet_.schema(), FESK1)}, status);
    return status.ok() && locks.number(0, 0) > 0;
  }
  TemporaryDirectory scratchDirectory_;
  const std::filesystem::path& scratch_ = scratchDirectory_.path();
};

INSTANTIATE_TEST_SUITE_P(Drivers, BackupRestoreTest, driversThatCan(Capability::kCommandLineNamed),
                         storeName);

TEST_P(BackupRestoreTest, EveryBackupHoldsAConcurrentCascadeWholeOrNotAtAll) {
  std::istringstream parents("CODE,NAME\nP0,parent\nQ,other\n");
  ASSERT_TRUE(records::importCsv(FESK1, parents).stored);
  const int childCount = childrenOn(GetParam());
  std::string csv = "CODE,NUMBER\nQ,1\n";
  for (int child = 0; child < childCount; ++child) csv += "P0," + std::to_string(child) + "\n";
  std::istringstream children(csv);
  ASSERT_TRUE(records::importCsv(FESK2, children).stored);

  int committed[2];
  ASSERT_EQ(pipe(committed), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) recodeUntilKilled(committed[1]);
  std::optional<KilledAtEnd> writer;
  writer.emplace(pid);
  char byte = 0;
  ASSERT_EQ(read(committed[0], &byte, 1), 1) << "the writer's first cascade";
  fcntl(committed[0], F_SETFL, O_NONBLOCK);

  // Backups are taken one after another until the writer has committed
  // several cascades while they were read.
  int cascades = 0;
  for (int round = 0; round < 20 || cascades < 3; ++round) {
    ASSERT_LT(round, 400) << "the writer committed only " << cascades << " cascades";
    const auto backup = scratch_ / ("backup" + std::to_string(round));
    const auto run = runFesk(withDataSet({"backup", backup.string()}));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto codes = codesIn(backup);
    const std::string parent = codes.contains("FESK1 P0") ? "P0" : "P1";
    EXPECT_EQ(codes, (std::map<std::string, int>{{"FESK1 " + parent, 1},
                                                 {"FESK1 Q", 1},
                                                 {"FESK2 " + parent, childCount},
                                                 {"FESK2 Q", 1},
                                                 {"error FESK1", apprt::kNoMoreRecords},
                                                 {"error FESK2", apprt::kNoMoreRecords}}))
        << "round " << round;
    while (read(committed[0], &byte, 1) == 1) ++cascades;
  }
  writer.reset();
  close(committed[0]);
  close(committed[1]);
}

TEST_P(BackupRestoreTest, ARestoreAsksAndRunsOnlyWhenNoOtherFeskUsesTheData) {
  seed({{"A", "kept"}}, {{"A", "1"}});
  const auto backup = (scratch_ / "backup").string();
  ASSERT_EQ(runFesk(withDataSet({"backup", backup})).status, 0);
  const std::string backedUp = runFesk({"export", "FESK1", "--data-dir", backup}).out;
  const auto current = [&] { return runFesk(withDataSet({"export", "FESK1"})).out; };
  seed({{"Z", "later"}}, {});

  FeskProcess holder(withDataSet({"import", "FESK1", "-"}));
  holder.type("CODE,NAME\nH,held\n");
  // Once its transaction has written, the import holds the data set.
  ASSERT_TRUE(waitUntil([&] { return fesk1BeingWritten(); }));
  const auto refused = runFesk(withDataSet({"restore", backup, "--yes"}));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("another fesk is using the data "), std::string::npos) << refused.err;
  ASSERT_EQ(holder.wait().status, 0);
  const std::string held = current();
  EXPECT_EQ(held, "CODE,NAME\r\nH,held\r\nZ,later\r\n");

  const auto declined = runFesk(withDataSet({"restore", backup}), "n\n");
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(current(), held);

  FeskProcess restore(withDataSet({"restore", backup}));
  ASSERT_TRUE(waitUntil([&] { return restore.errorsSoFar().ends_with("[y/N] "); }));
  const auto meanwhile = runFesk(withDataSet({"export", "FESK1"}));
  EXPECT_EQ(meanwhile.status, 1);
  EXPECT_NE(meanwhile.err.find("is being replaced by another fesk"), std::string::npos)
      << meanwhile.err;
  restore.type("y\n");
  const auto restored = restore.wait();
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.out, "FESK1: 1 record, FESK2: 1 record copied from " + backup + " to " +
                              dataSetName() + ".\n");
  EXPECT_EQ(current(), backedUp);
}

}  // namespace
}  // namespace fesk::test
