// Backups taken while other processes write, and restores that wait for every
// other fesk to let go of the data.

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
#include "drivers/sqlite/sqlite_driver.h"
#include "records/csv_import.h"
#include "records/data_set_files.h"
#include "records/fesk_process.h"
#include "runtime/errors.h"
#include "support/temporary_directory.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

constexpr int kChildren = 10000;

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

class BackupRestoreTest : public DataTest {
 protected:
  std::string dataDir() const { return "--data-dir=" + dataSet_.directory().string(); }
  TemporaryDirectory scratchDirectory_;
  const std::filesystem::path& scratch_ = scratchDirectory_.path();
};

TEST_F(BackupRestoreTest, EveryBackupHoldsAConcurrentCascadeWholeOrNotAtAll) {
  std::istringstream parents("CODE,NAME\nP0,parent\nQ,other\n");
  ASSERT_TRUE(records::importCsv(FESK1, parents).stored);
  std::string csv = "CODE,NUMBER\nQ,1\n";
  for (int child = 0; child < kChildren; ++child) csv += "P0," + std::to_string(child) + "\n";
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

  for (int round = 0; round < 20; ++round) {
    const auto backup = scratch_ / ("backup" + std::to_string(round));
    const auto run = runFesk({"backup", backup.string(), dataDir()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto codes = codesIn(backup);
    const std::string parent = codes.contains("FESK1 P0") ? "P0" : "P1";
    EXPECT_EQ(codes, (std::map<std::string, int>{{"FESK1 " + parent, 1},
                                                 {"FESK1 Q", 1},
                                                 {"FESK2 " + parent, kChildren},
                                                 {"FESK2 Q", 1},
                                                 {"error FESK1", apprt::kNoMoreRecords},
                                                 {"error FESK2", apprt::kNoMoreRecords}}))
        << "round " << round;
  }
  writer.reset();
  fcntl(committed[0], F_SETFL, O_NONBLOCK);
  int cascades = 0;
  while (read(committed[0], &byte, 1) == 1) ++cascades;
  close(committed[0]);
  close(committed[1]);
  EXPECT_GE(cascades, 2) << "the writer re-coded while the backups were taken";
}

TEST_F(BackupRestoreTest, ARestoreAsksAndRunsOnlyWhenNoOtherFeskUsesTheData) {
  seed({{"A", "kept"}}, {{"A", "1"}});
  const auto backup = (scratch_ / "backup").string();
  ASSERT_EQ(runFesk({"backup", backup, dataDir()}).status, 0);
  const auto exportOf = [](const std::string& directory) {
    return runFesk({"export", "FESK1", "--data-dir", directory}).out;
  };
  const std::string backedUp = exportOf(backup);
  seed({{"Z", "later"}}, {});

  FeskProcess holder({"import", "FESK1", "-", dataDir()});
  holder.type("CODE,NAME\nH,held\n");
  // Once its transaction has written, the import holds the data set.
  ASSERT_TRUE(waitUntil(
      [&] { return std::filesystem::exists(dataSet_.directory() / "FESK1.sqlite-journal"); }));
  const auto refused = runFesk({"restore", backup, "--yes", dataDir()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("another fesk is using the data in"), std::string::npos)
      << refused.err;
  ASSERT_EQ(holder.wait().status, 0);
  const std::string current = exportOf(dataSet_.directory().string());
  EXPECT_EQ(current, "CODE,NAME\r\nH,held\r\nZ,later\r\n");

  const auto declined = runFesk({"restore", backup, dataDir()}, "n\n");
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(exportOf(dataSet_.directory().string()), current);

  FeskProcess restore({"restore", backup, dataDir()});
  ASSERT_TRUE(waitUntil([&] { return restore.errorsSoFar().ends_with("[y/N] "); }));
  const auto meanwhile = runFesk({"export", "FESK1", dataDir()});
  EXPECT_EQ(meanwhile.status, 1);
  EXPECT_NE(meanwhile.err.find("is being replaced by another fesk"), std::string::npos)
      << meanwhile.err;
  restore.type("y\n");
  const auto restored = restore.wait();
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.out, "FESK1: 1 records, FESK2: 1 records copied from " + backup + " to " +
                              dataSet_.directory().string() + ".\n");
  EXPECT_EQ(exportOf(dataSet_.directory().string()), backedUp);
}

}  // namespace
}  // namespace fesk::test
