// Another process using the data files at the same time: one that holds a
// file at the open is waited for and the user may try again; one that reads
// while a long cascade commits does not make the commit fail.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <utility>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "runtime/errors.h"
#include "runtime/program.h"
#include "runtime/thread_wait.h"
#include "ui/headless/headless_frontend.h"

namespace fesk::test {
namespace {

using FileHeldElsewhereTest = DataTest;

TEST_F(FileHeldElsewhereTest, AFileAnotherProgramHoldsIsWaitedForAndTheUserMayRetry) {
  seed({{"A", "alpha"}}, {});
  Signal holding;
  Signal release;
  Signal released;
  const pid_t child = forkChild([&] {
    sqlite3* db = nullptr;
    sqlite3_open(databaseOf(FESK1).c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    holding.send();
    EXPECT_TRUE(release.receive());
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    released.send();
  });
  ASSERT_TRUE(holding.receive());

  // The other program lets go while the user reads the warning.
  headless::HeadlessFrontEnd frontEnd([&](const std::string& line) {
    if (line.find("File In Use") == std::string::npos) return;
    release.send();
    EXPECT_TRUE(released.receive());
  });
  frontEnd.answer(apprt::kButtonRetry);
  Records read;
  {
    apprt::ProgramRun run(frontEnd);
    run.start([&] {
      OpenDataFile(FESK1);
      FESK1.setOnKey(FES_KEYCODE);
      for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next()) {
        read.emplace_back(FESK1.buffer().CODE.text(), FESK1.buffer().NAME.text());
      }
      FESK1.close();
    });
    EXPECT_EQ(run.wait(), 0);
    EXPECT_EQ(run.haltMessage(), "");
  }
  EXPECT_EQ(waitChild(child), 0);
  const auto boxes = frontEnd.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.title, "File In Use");
  EXPECT_EQ(boxes[0].request.text,
            "File (FESK1) is held by another program.  Error: File Locked By Another Program "
            "(91).  Press Retry to try again, or Cancel to end this application.");
  EXPECT_EQ(read, (Records{{"A", "alpha"}}));
}

// What another station does while it shows forms: it reads one file while a
// read of the other is still under way, again and again.
[[noreturn]] void readBothFilesUntilKilled(Signal& started) {
  OpenDataFile(FESK1);
  OpenDataFile(FESK2);
  const apprt::FileDeclaration& fesk1 = FESK1;
  const apprt::FileDeclaration& fesk2 = FESK2;
  for (bool signalled = false;; signalled = true) {
    for (const auto& [first, second] : {std::pair{&fesk1, &fesk2}, std::pair{&fesk2, &fesk1}}) {
      first->setOnKey(first->key(0));
      first->next();
      second->setOnKey(second->key(0));
      second->next();
      apprt::threadWillWait();
    }
    if (!signalled) started.send();
  }
}

TEST_F(FileHeldElsewhereTest, LongCascadesCommitWhileAnotherProcessReadsBothFiles) {
  constexpr int kChildren = 20000;
  constexpr int kRecodes = 8;
  seed({{"P0", "parent"}}, {});
  runSql(FESK2, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kChildren) +
                    ") INSERT INTO FESK2 (CODE, NUMBER) SELECT 'P0', i FROM n");
  Signal started;
  const pid_t reader = forkChild([&] { readBothFilesUntilKilled(started); });
  ASSERT_TRUE(started.receive());
  std::vector<int> results;
  const auto outcome = runInProgram([&] {
    OpenDataFile(FESK1);
    OpenDataFile(FESK2);
    for (int round = 1; round <= kRecodes; ++round) {
      FESK1.setOnKey(FES_KEYCODE);
      FESK1.watch();
      FESK1.next();
      RememberFesk1Code();
      FESK1.buffer().CODE = "P" + std::to_string(round);
      results.push_back(UpdateFesk1Record(false));
    }
  });
  kill(reader, SIGKILL);
  waitChild(reader);
  EXPECT_EQ(results, std::vector<int>(kRecodes, kWriteDone));
  for (const auto& box : outcome.boxes) ADD_FAILURE() << box.request.text;
}

}  // namespace
}  // namespace fesk::test
