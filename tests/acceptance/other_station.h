#pragma once
// Another program on the same data set, for tests of what one station sees of
// another's commits.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "acceptance_support.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"

namespace fesk::test {

// Station A: a process that runs SQL on the data set when asked, as another
// program would. Forked before station B's program starts any thread.
class OtherStation {
 public:
  explicit OtherStation(const ScratchDataSet& dataSet) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("no pipe");
    child_ = fork();
    if (child_ == 0) {
      close(toChild[1]);
      close(fromChild[0]);
      serve(dataSet, toChild[0], fromChild[1]);
    }
    close(toChild[0]);
    close(fromChild[1]);
    requests_ = toChild[1];
    answers_ = fromChild[0];
  }
  ~OtherStation() {
    close(requests_);
    close(answers_);
    waitpid(child_, nullptr, 0);
  }
  OtherStation(const OtherStation&) = delete;
  OtherStation& operator=(const OtherStation&) = delete;

  // Commits `statements` on FILE and answers once they are committed.
  void commit(const std::string& file, const std::string& statements) {
    const std::string request = file + "\t" + statements + "\n";
    ASSERT_EQ(write(requests_, request.data(), request.size()),
              static_cast<ssize_t>(request.size()));
    char done = 0;
    ASSERT_EQ(read(answers_, &done, 1), 1);
  }

 private:
  [[noreturn]] static void serve(const ScratchDataSet& dataSet, int in, int out) {
    alarm(60);  // a station that hangs ends instead of the test run
    std::string pending;
    char buffer[4096];
    for (ssize_t n; (n = read(in, buffer, sizeof buffer)) > 0;) {
      pending.append(buffer, n);
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        const std::size_t tab = line.find('\t');
        dataSet.sql(line.substr(0, tab), line.substr(tab + 1));
        if (write(out, "1", 1) != 1) _exit(1);
      }
    }
    _exit(0);
  }

  pid_t child_ = 0;
  int requests_ = -1;
  int answers_ = -1;
};

// Station B is the program a test runs; station A, another process, commits
// when the test asks it to.
class TwoStationsTest : public EveryDriverAcceptanceTest {
 protected:
  // Once the data set is seeded: forks station A, and on the server lets the
  // test's data-set lock listen, as a running station's does.
  void startOtherStation() {
    station_.emplace(dataSet_);
    if (auto* driver = dynamic_cast<postgres::PgDriver*>(&dataSet_.driver())) {
      std::string why;
      ASSERT_TRUE(lock_.share(dataSet_.conninfo(), dataSet_.schema(), why)) << why;
      driver->workUnder(lock_);
    }
  }
  void TearDown() override {
    lock_.release();
    station_.reset();
    EveryDriverAcceptanceTest::TearDown();
  }

  postgres::SchemaLock lock_;
  std::optional<OtherStation> station_;
};

}  // namespace fesk::test
