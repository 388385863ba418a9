#include "data_test_support.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "raw_sql.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

// The driver that keeps the running test's data set.
apprt::Driver* gRealDriver = nullptr;
// Longer than anything a child waits for: a child that died without a word
// fails the test instead of hanging it.
constexpr int kSignalWaitMilliseconds = 60000;

// Seeding and inspecting go straight to the real driver, whatever the code
// under test is bound to, so that they count no call and meet no fault.
class DirectAccess {
 public:
  explicit DirectAccess(apprt::FileDeclaration& file) : file_(file), bound_(file.driver()) {
    file_.bindDriver(*gRealDriver);
  }
  ~DirectAccess() { file_.bindDriver(*bound_); }

 private:
  apprt::FileDeclaration& file_;
  apprt::Driver* bound_;
};

template <class Record>
void createWith(apprt::File<Record>& file, const Records& records) {
  DirectAccess direct(file);
  file.create();
  ASSERT_EQ(apprt::ERRCODE(), 0) << file.fileName();
  file.open(apprt::kOpenSharedReadWrite);
  for (const auto& [first, second] : records) {
    file.clear();
    file.field(0).assign(first);
    file.field(1).assign(second);
    file.add();
    ASSERT_EQ(apprt::ERRCODE(), 0) << first;
  }
  file.close();
}

Records readAll(apprt::FileDeclaration& file, const apprt::KeyDeclaration& key) {
  DirectAccess direct(file);
  Records records;
  file.open(apprt::kOpenSharedReadWrite);
  if (apprt::ERRCODE() != 0) return {{"<open failed>", apprt::ERROR()}};
  file.setOnKey(key);
  for (file.next(); apprt::ERRCODE() == 0; file.next()) {
    records.emplace_back(file.field(0).text(), file.field(1).text());
  }
  file.close();
  return records;
}

// The real driver, telling when a commit begins.
struct CommitAnnouncingDriver : apprt::FaultDriver {
  CommitAnnouncingDriver(apprt::Driver& real, Signal& committing)
      : FaultDriver(real), committing(committing) {}
  apprt::DriverStatus commit() override {
    committing.send();
    return FaultDriver::commit();
  }
  Signal& committing;
};

}  // namespace

apprt::DriverStatus RecordingFaultDriver::open(const apprt::FileDeclaration& file, int mode,
                                               std::unique_ptr<apprt::DriverFile>& opened) {
  openModes.push_back(mode);
  return FaultDriver::open(file, mode, opened);
}

apprt::DriverStatus RecordingFaultDriver::send(const apprt::FileDeclaration& file,
                                               std::string_view option, std::string& answer) {
  options.emplace_back(option);
  return FaultDriver::send(file, option, answer);
}

DataTest::DataTest(Store store) : dataSet_(store), faults_(dataSet_.driver()) {}

void DataTest::SetUp() {
  gRealDriver = &dataSet_.driver();
  bindDataFiles(sqlite::defaultDriver());
  FESK1.bindDriver(dataSet_.driver());
  FESK2.bindDriver(dataSet_.driver());
}

void DataTest::TearDown() {
  // A test that leaves a file counted open would make the next test in the
  // same process (or a process it forks) skip the open and work on a closed
  // file.
  ThreadBlock& block = threadBlock();
  EXPECT_EQ(block.Fesk1OpenCount, 0) << "FESK1 left counted open";
  EXPECT_EQ(block.Fesk2OpenCount, 0) << "FESK2 left counted open";
  // The files stay bound to a driver that outlives every test.
  FESK1.bindDriver(sqlite::defaultDriver());
  FESK2.bindDriver(sqlite::defaultDriver());
}

void DataTest::useFaultDriver() {
  FESK1.bindDriver(faults_);
  FESK2.bindDriver(faults_);
}

void DataTest::seed(const Records& fesk1, const Records& fesk2) {
  createWith(FESK1, fesk1);
  createWith(FESK2, fesk2);
}

Records DataTest::storedFesk1() {
  return readAll(FESK1, FES_KEYCODE);
}

Records DataTest::storedFesk2() {
  return readAll(FESK2, FS2_KEYCODE);
}

std::vector<std::string> titles(const ProgramOutcome& outcome) {
  std::vector<std::string> shown;
  for (const auto& box : outcome.boxes) shown.push_back(box.request.title);
  return shown;
}

void seedChildren(const std::string& code, int count) {
  runSql(FESK2, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(count) + ") INSERT INTO FESK2 (CODE, NUMBER) SELECT '" + code +
                    "', i FROM n");
}

int recodeFirstParent(const std::string& code) {
  FESK1.setOnKey(FES_KEYCODE);
  FESK1.watch();
  FESK1.next();
  RememberFesk1Code();
  FESK1.buffer().CODE = code;
  return UpdateFesk1Record(false);
}

void recodeUntilKilled(apprt::Driver& real, Signal& committing, Signal& committed) {
  CommitAnnouncingDriver driver(real, committing);
  FESK1.bindDriver(driver);
  FESK2.bindDriver(driver);
  OpenDataFile(FESK1);
  for (int round = 1;; ++round) {
    if (recodeFirstParent("P" + std::to_string(round)) != kWriteDone) _exit(3);
    committed.send();
  }
}

std::filesystem::path databaseOf(const apprt::FileDeclaration& file) {
  return sqlite::defaultDriver().pathOf(file);
}

std::string runSql(const apprt::FileDeclaration& file, const std::string& statements) {
  return runSqlOn(databaseOf(file), statements);
}

Signal::Signal() {
  if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
}

Signal::~Signal() {
  close(fds_[0]);
  close(fds_[1]);
}

void Signal::send() {
  const char signal = 's';
  EXPECT_EQ(write(fds_[1], &signal, 1), 1);
}

bool Signal::receive() {
  pollfd ready{fds_[0], POLLIN, 0};
  char signal = 0;
  return poll(&ready, 1, kSignalWaitMilliseconds) == 1 && read(fds_[0], &signal, 1) == 1;
}

pid_t forkChild(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    // Whatever happens, the child ends here: an exception that reached the
    // test framework would have it run the rest of the suite beside the parent.
    try {
      body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child process: %s\n", e.what());
      _exit(2);
    }
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  EXPECT_GT(child, 0);
  return child;
}

int waitChild(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

testing::AssertionResult CascadeKiller::kill(pid_t writer, Signal& committing, Signal& committed) {
  using Clock = std::chrono::steady_clock;
  using std::chrono::microseconds;
  if (!committing.receive() || !committed.receive())
    return testing::AssertionFailure() << "the first cascade failed";
  if (cascade_.count() == 0) {  // measured once, on the second cascade
    const auto start = Clock::now();
    if (!committing.receive()) return testing::AssertionFailure() << "no second cascade";
    const auto commitStart = Clock::now();
    if (!committed.receive() || !committing.receive())
      return testing::AssertionFailure() << "the second cascade failed";
    cascade_ = std::chrono::duration_cast<microseconds>(Clock::now() - start);
    commit_ = std::chrono::duration_cast<microseconds>(Clock::now() - commitStart);
  }
  if (kills_++ % 2 == 0) {
    std::this_thread::sleep_for(microseconds(random_() % cascade_.count()));
  } else {
    if (!committing.receive()) return testing::AssertionFailure() << "no cascade to kill";
    std::this_thread::sleep_for(microseconds(random_() % commit_.count()));
  }
  ::kill(writer, SIGKILL);
  if (waitChild(writer) != -SIGKILL)
    return testing::AssertionFailure() << "the writer stopped by itself";
  return testing::AssertionSuccess();
}

void openBothAsAProcedure() {
  ThreadBlock& block = threadBlock();
  if (block.Fesk1OpenCount++ == 0) OpenDataFile(FESK1);
  if (block.Fesk2OpenCount++ == 0) OpenDataFile(FESK2);
}

void closeBothAsAProcedure() {
  ThreadBlock& block = threadBlock();
  if (--block.Fesk1OpenCount == 0) FESK1.close();
  if (--block.Fesk2OpenCount == 0) FESK2.close();
}

bool readFesk1(const std::string& code) {
  FESK1.clear();
  FESK1.buffer().CODE = code;
  FESK1.setOnKeyValue(FES_KEYCODE);
  FESK1.watch();
  FESK1.next();
  return apprt::ERRCODE() == 0 && FESK1.buffer().CODE == code;
}

bool readFesk2(const std::string& code, const std::string& number) {
  FESK2.clear();
  FESK2.buffer().CODE = code;
  FESK2.setOnKeyValue(FS2_KEYCODE);
  for (FESK2.next(); apprt::ERRCODE() == 0; FESK2.next()) {
    if (!(FESK2.buffer().CODE == code)) return false;
    if (FESK2.buffer().NUMBER == number) {
      FESK2.watch();
      FESK2.reget(FESK2.positionByFile());
      return apprt::ERRCODE() == 0;
    }
  }
  return false;
}

}  // namespace fesk::test
