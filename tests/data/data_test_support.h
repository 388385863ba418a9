#pragma once
// FESK1 and FESK2 in a scratch data set of their own that goes away after each
// test (SQLite, or either driver for the suites parametrized by Store),
// optionally behind a fault-injecting driver.
// Files are seeded and inspected from the test's own thread; the code under
// test runs in a procedure thread of a program run (runInProgram), so that it
// can show its warnings.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/file_fault_driver.h"
#include "support/scratch_data_set.h"
#include "warnings/run_in_program.h"

namespace fesk::test {

// A fault driver that also records the modes of the opens and the option
// strings sent, as they reach it.
class RecordingFaultDriver : public apprt::FaultDriver {
 public:
  using FaultDriver::FaultDriver;
  apprt::DriverStatus open(const apprt::FileDeclaration& file, int mode,
                           std::unique_ptr<apprt::DriverFile>& opened) override;
  apprt::DriverStatus send(const apprt::FileDeclaration& file, std::string_view option,
                           std::string& answer) override;

  std::vector<int> openModes;
  std::vector<std::string> options;
};

using Records = std::vector<std::pair<std::string, std::string>>;

class DataTest : public ::testing::Test {
 protected:
  explicit DataTest(Store store = Store::kSqlite);
  void SetUp() override;
  void TearDown() override;

  // Puts FESK1 and FESK2 behind `faults` (the real driver behind it).
  void useFaultDriver();

  // Creates both files with these records ((code, name), (code, number)).
  static void seed(const Records& fesk1, const Records& fesk2);
  // Every stored record in the order of the file's code key.
  static Records storedFesk1();
  static Records storedFesk2();

  ScratchDataSet dataSet_;
  RecordingFaultDriver faults_;
};

// A data test run on each driver.
class EveryDriverDataTest : public DataTest, public ::testing::WithParamInterface<Store> {
 protected:
  EveryDriverDataTest() : DataTest(GetParam()) {}
};

// The titles of the message boxes a run showed, in order.
std::vector<std::string> titles(const ProgramOutcome& outcome);

// How many children the cascade trials give a parent. A sanitizer build runs
// a cascade some twenty times slower: it gets fewer, to keep its suite short.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kManyChildren = 1000;
#else
inline constexpr int kManyChildren = 20000;
#endif

// Adds `count` FESK2 records under `code`, numbered from 1, at once.
void seedChildren(const std::string& code, int count);
// Gives the first FESK1 record a new code as a form does, its FESK2 records
// following it (FESK1 open): UpdateFesk1Record's result.
int recodeFirstParent(const std::string& code);

// The database file of a data file in the test's data directory.
std::filesystem::path databaseOf(const apprt::FileDeclaration& file);
// Runs SQL on a data file's database directly, as another tool would, and
// answers the first column of the last row it gave ("" when none).
std::string runSql(const apprt::FileDeclaration& file, const std::string& statements);

// A one-way channel between a test and a child process it forks.
class Signal {
 public:
  Signal();
  ~Signal();
  void send();     // one signal
  bool receive();  // waits for one; false when none came within a minute
 private:
  int fds_[2];
};

// Forks a child process that runs `body` and ends (exit status 0, 1 when an
// expectation of the body failed, 2 when it threw). The child must not use this process's
// open files: the test closes them first.
pid_t forkChild(const std::function<void()>& body);
// Waits for the child's end: its exit status, or -signal when it was killed.
int waitChild(pid_t child);

// In a child process: re-codes the one parent, and so all its children, over
// `real` again and again, sending `committing` when each commit begins and
// `committed` when it is done, until it is killed.
[[noreturn]] void recodeUntilKilled(apprt::Driver& real, Signal& committing, Signal& committed);

// Kills writers that cascade over and over, each sending `committing` before
// a commit and `committed` after it, at a random moment of their next cascade
// or, every other kill, of its commit (where the last writes go out). How long
// both take is measured once, on the first writer's second cascade.
class CascadeKiller {
 public:
  explicit CascadeKiller(unsigned seed) : random_(seed) {}
  // Fails when the writer's first cascade failed or it stopped by itself.
  testing::AssertionResult kill(pid_t writer, Signal& committing, Signal& committed);

 private:
  std::mt19937 random_;
  std::chrono::microseconds cascade_{0};
  std::chrono::microseconds commit_{0};
  int kills_ = 0;
};

// In a procedure: opens FESK1 (and FESK2) as the procedures do, counting the
// open requests, and reads the FESK1 record of `code` into the buffer (with a
// watch, as a form does before the user edits it).
void openBothAsAProcedure();
void closeBothAsAProcedure();
bool readFesk1(const std::string& code);
bool readFesk2(const std::string& code, const std::string& number);

}  // namespace fesk::test
