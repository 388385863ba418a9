// The first start creates both data files. A kill at any step of it leaves a
// directory that the next start opens, or creates anew, without a halt.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <fstream>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data_test_support.h"

namespace fesk::test {
namespace {

// Every system call SQLite makes from now on that changes a file counts as a
// step; the process kills itself just before step gKillAt.
int gSteps = 0;
int gKillAt = 0;

template <int Call, class Result, class... Arguments>
struct Counted {
  static inline Result (*real)(Arguments...) = nullptr;
  static Result call(Arguments... arguments) {
    if (++gSteps == gKillAt) raise(SIGKILL);
    return real(arguments...);
  }
  // False when this build of SQLite does not make the call.
  static bool replace(sqlite3_vfs* vfs, const char* name) {
    real = reinterpret_cast<Result (*)(Arguments...)>(vfs->xGetSystemCall(vfs, name));
    return real && vfs->xSetSystemCall(vfs, name, reinterpret_cast<sqlite3_syscall_ptr>(&call)) ==
                       SQLITE_OK;
  }
};

void countStepsKillingAt(int killAt) {
  gKillAt = killAt;
  sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
  EXPECT_TRUE((Counted<0, int, const char*, int, int>::replace(vfs, "open")));
  EXPECT_TRUE((Counted<1, int, int>::replace(vfs, "close")));
  EXPECT_TRUE((Counted<2, ssize_t, int, const void*, size_t, off_t>::replace(vfs, "pwrite64") ||
               Counted<3, ssize_t, int, const void*, size_t, off_t>::replace(vfs, "pwrite")));
  EXPECT_TRUE((Counted<4, int, int, off_t>::replace(vfs, "ftruncate")));
  EXPECT_TRUE((Counted<5, int, const char*>::replace(vfs, "unlink")));
}

class FirstCreationTest : public DataTest {
 protected:
  // The next start: both files open as the procedures open them, empty.
  void expectTheNextStartOpensBoth(const std::string& after) {
    const auto outcome = runInProgram([] {
      OpenDataFile(FESK1);
      OpenDataFile(FESK2);
      FESK1.close();
      FESK2.close();
    });
    EXPECT_EQ(titles(outcome), std::vector<std::string>{}) << after;
    EXPECT_TRUE(outcome.bodyFinished) << after;
    EXPECT_EQ(storedFesk1(), Records{}) << after;
  }
};

TEST_F(FirstCreationTest, AKillAtAnyStepOfTheFirstCreationLeavesFilesTheNextStartCanUse) {
  int killAt = 1;
  for (;; ++killAt) {
    const pid_t child = forkChild([killAt] {
      countStepsKillingAt(killAt);
      OpenDataFile(FESK1);
      OpenDataFile(FESK2);
    });
    const int end = waitChild(child);
    if (end == 0) break;  // no step was left to kill at
    ASSERT_EQ(end, -SIGKILL) << "step " << killAt;
    expectTheNextStartOpensBoth("killed before step " + std::to_string(killAt));
    for (const auto& entry : std::filesystem::directory_iterator(dataSet_.directory())) {
      std::filesystem::remove(entry.path());
    }
  }
  EXPECT_GT(killAt, 10) << "the steps were counted";

  // What a creation cut short before files were built whole may have left.
  { const std::ofstream emptyFile(databaseOf(FESK1)); }
  std::ofstream(databaseOf(FESK1).string() + "-journal") << std::string(4096, 'j');
  expectTheNextStartOpensBoth("an empty FESK1 with a journal");
}

}  // namespace
}  // namespace fesk::test
