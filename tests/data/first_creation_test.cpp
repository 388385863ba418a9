// The first start creates both data files. A kill at any step of it leaves a
// directory that the next start opens, or creates anew, without a halt.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data_test_support.h"
#include "runtime/errors.h"

namespace fesk::test {
namespace {

// Every call that changes a file (open, write, truncate, close, unlink) that
// SQLite makes from now on counts as a step; the process kills itself just
// before step `killAt`.
int gSteps = 0;
int gKillAt = 0;

void step() {
  if (++gSteps == gKillAt) raise(SIGKILL);
}

template <class Real, class... Args>
auto counted(Real* real, Args... args) {
  step();
  return real(args...);
}

using OpenCall = int(const char*, int, ...);
using CloseCall = int(int);
using WriteCall = ssize_t(int, const void*, size_t, off_t);
using TruncateCall = int(int, off_t);
using UnlinkCall = int(const char*);

OpenCall* gOpen;
CloseCall* gClose;
WriteCall* gPwrite;
WriteCall* gPwrite64;
TruncateCall* gTruncate;
UnlinkCall* gUnlink;

int countedOpen(const char* path, int flags, int mode) {
  return counted(gOpen, path, flags, mode);
}
int countedClose(int fd) {
  return counted(gClose, fd);
}
ssize_t countedPwrite(int fd, const void* data, size_t size, off_t at) {
  return counted(gPwrite, fd, data, size, at);
}
ssize_t countedPwrite64(int fd, const void* data, size_t size, off_t at) {
  return counted(gPwrite64, fd, data, size, at);
}
int countedTruncate(int fd, off_t size) {
  return counted(gTruncate, fd, size);
}
int countedUnlink(const char* path) {
  return counted(gUnlink, path);
}

// Replaces the call when this build of SQLite makes it; answers whether it does.
template <class Call>
bool replace(sqlite3_vfs* vfs, const char* name, Call*& real, Call* replacement) {
  real = reinterpret_cast<Call*>(vfs->xGetSystemCall(vfs, name));
  return real && vfs->xSetSystemCall(
                     vfs, name, reinterpret_cast<sqlite3_syscall_ptr>(replacement)) == SQLITE_OK;
}

void countStepsKillingAt(int killAt) {
  gKillAt = killAt;
  sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
  EXPECT_TRUE(replace(vfs, "open", gOpen, reinterpret_cast<OpenCall*>(countedOpen)));
  EXPECT_TRUE(replace(vfs, "close", gClose, countedClose));
  const bool pwrite = replace(vfs, "pwrite", gPwrite, countedPwrite);
  EXPECT_TRUE(replace(vfs, "pwrite64", gPwrite64, countedPwrite64) || pwrite);
  EXPECT_TRUE(replace(vfs, "ftruncate", gTruncate, countedTruncate));
  EXPECT_TRUE(replace(vfs, "unlink", gUnlink, countedUnlink));
}

class FirstCreationTest : public DataTest {
 protected:
  // The next start: both files opened as the procedures open them.
  void expectTheNextStartOpensBoth(const std::string& after) {
    bool opened = false;
    const auto outcome = runInProgram([&] {
      OpenDataFile(FESK1);
      OpenDataFile(FESK2);
      opened = FESK1.isOpen() && FESK2.isOpen();
      FESK1.close();
      FESK2.close();
    });
    EXPECT_TRUE(outcome.boxes.empty()) << after << ": " << outcome.boxes[0].request.text;
    EXPECT_TRUE(outcome.bodyFinished && opened) << after;
    EXPECT_EQ(storedFesk1(), Records{}) << after;
  }
  void emptyTheDirectory() {
    for (const auto& entry : std::filesystem::directory_iterator(directory_)) {
      std::filesystem::remove(entry.path());
    }
  }
};

TEST_F(FirstCreationTest, AKillAtAnyStepOfTheFirstCreationLeavesFilesTheNextStartCanUse) {
  int steps = 0;
  for (int killAt = 1;; ++killAt) {
    const pid_t child = forkChild([killAt] {
      countStepsKillingAt(killAt);
      OpenDataFile(FESK1);
      OpenDataFile(FESK2);
    });
    const int end = waitChild(child);
    if (end == 0) break;  // no step was left to kill at
    ASSERT_EQ(end, -SIGKILL) << "step " << killAt;
    expectTheNextStartOpensBoth("killed before step " + std::to_string(killAt));
    emptyTheDirectory();
    steps = killAt;
  }
  EXPECT_GT(steps, 10) << "every step was counted";
  fprintf(stderr, "steps %d\n", steps);
}

TEST_F(FirstCreationTest, AnEmptyFileLeftByAnEarlierCreationIsCreatedAnew) {
  std::ofstream(databaseOf(FESK1));
  std::ofstream(databaseOf(FESK1).string() + "-journal") << std::string(4096, 'j');
  expectTheNextStartOpensBoth("an empty FESK1 with a journal");
}

}  // namespace
}  // namespace fesk::test
