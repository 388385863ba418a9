// Another process using the data files at the same time: one that holds a
// file at the open is waited for and the user may try again; one that reads
// while long cascades commit does not make a commit fail.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <utility>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace fesk::test {
namespace {

using FileHeldElsewhereTest = DataTest;

TEST_F(FileHeldElsewhereTest, AFileAnotherProgramHoldsIsWaitedForAndTheUserMayRetry) {
  seed({{"A", "alpha"}}, {});
  Signal holding, release;
  const pid_t other = forkChild([&] {
    sqlite3* db = nullptr;
    sqlite3_open(databaseOf(FESK1).c_str(), &db);
    sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    holding.send();
    release.receive();
    sqlite3_close(db);
  });
  ASSERT_TRUE(holding.receive());
  bool read = false;
  const auto outcome = runInProgram(
      [&] {
        OpenDataFile(FESK1);
        FESK1.setOnKey(FES_KEYCODE);
        FESK1.next();
        read = apprt::ERRCODE() == 0 && FESK1.buffer().CODE == "A";
      },
      {apprt::kButtonRetry},
      [&](const std::string& line) {  // the other program lets go while the box is up
        if (line.find("File In Use") != std::string::npos) {
          release.send();
          waitChild(other);
        }
      });
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"File In Use"});
  EXPECT_EQ(outcome.boxes[0].request.text,
            "File (FESK1) is held by another program.  Error: File Locked By Another Program "
            "(91).  Press Retry to try again, or Cancel to end this application.");
  EXPECT_TRUE(outcome.bodyFinished && read);
}

// What another station does while it shows forms: it reads one file while a
// read of the other is under way, again and again.
[[noreturn]] void readBothFilesUntilKilled(Signal& started) {
  OpenDataFile(FESK1);
  OpenDataFile(FESK2);
  const apprt::FileDeclaration& fesk1 = FESK1;
  const apprt::FileDeclaration& fesk2 = FESK2;
  for (bool told = false;; told = true) {
    for (const auto& [first, second] : {std::pair{&fesk1, &fesk2}, std::pair{&fesk2, &fesk1}}) {
      first->setOnKey(first->key(0));
      first->next();
      second->setOnKey(second->key(0));
      second->next();
      apprt::threadWillWait();
    }
    if (!told) started.send();
  }
}

TEST_F(FileHeldElsewhereTest, LongCascadesCommitWhileAnotherProcessReadsBothFiles) {
  seed({{"P0", "parent"}}, {});
  seedChildren("P0", kManyChildren);
  Signal started;
  const pid_t reader = forkChild([&] { readBothFilesUntilKilled(started); });
  ASSERT_TRUE(started.receive());
  std::vector<int> results;
  const auto outcome = runInProgram([&] {
    OpenDataFile(FESK1);
    for (int round = 1; round <= 8; ++round)
      results.push_back(recodeFirstParent("P" + std::to_string(round)));
  });
  kill(reader, SIGKILL);
  waitChild(reader);
  EXPECT_EQ(results, std::vector<int>(8, kWriteDone));
  EXPECT_EQ(titles(outcome), std::vector<std::string>{});
}

}  // namespace
}  // namespace fesk::test
