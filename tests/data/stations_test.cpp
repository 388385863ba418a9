// Several stations, each a process of its own, on one data set: conflicting
// changes lose no update and every conflict is reported; a station killed in
// the middle of a cascade leaves all of it or none.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "data/data_files.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

// Runs `station` in a child process and answers its pid; the child writes
// what `station` answers to `out` and ends.
template <class Station>
pid_t startStation(int out, Station station) {
  const pid_t child = fork();
  if (child != 0) return child;
  const std::string report = station();
  const bool told = write(out, report.data(), report.size()) == static_cast<ssize_t>(report.size());
  _exit(told ? 0 : 1);
}

std::string readAll(int in) {
  std::string all;
  char buffer[256];
  for (ssize_t n; (n = read(in, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  return all;
}

// Writers on a server queue for their locks; the embedded driver's writers
// under this load give up waiting after their time-out instead.
class StationsTest : public DataTest {
 protected:
  StationsTest() : DataTest(Store::kPostgres) {}
};

TEST_F(StationsTest, FourStationsMakingConflictingChangesLoseNoUpdateAndReportEveryConflict) {
  constexpr int kStations = 4;
  constexpr int kChanges = 200;
  seed({{"C", "0"}}, {});
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::vector<pid_t> stations;
  stations.reserve(kStations);
  for (int s = 0; s < kStations; ++s) {
    stations.push_back(startStation(pipeEnds[1], [] {
      // Each change adds one to the number in C's name, as read.
      int done = 0, conflicts = 0, failed = 0, reported = 0;
      const ProgramOutcome outcome = runInProgram(
          [&] {
            openBothAsAProcedure();
            for (int i = 0; i < kChanges; ++i) {
              if (!readFesk1("C")) {
                ++failed;
                continue;
              }
              RememberFesk1Code();
              FESK1.buffer().NAME = std::to_string(std::stoi(FESK1.buffer().NAME.text()) + 1);
              const int result = UpdateFesk1Record(false);
              done += result == kWriteDone;
              conflicts += result == kWriteChangedElsewhere;
              failed += result == kWriteFailed;
            }
            closeBothAsAProcedure();
          },
          std::vector<int>(kChanges, apprt::kButtonOk));
      std::string other;  // the first warning that is no conflict
      for (const auto& box : outcome.boxes) {
        const bool conflict = box.request.text == "This record was changed by another station.";
        reported += conflict;
        if (!conflict && other.empty()) other = box.request.text;
      }
      return std::to_string(done) + " " + std::to_string(conflicts) + " " + std::to_string(failed) +
             " " + std::to_string(reported) + " " + other + "\n";
    }));
  }
  close(pipeEnds[1]);
  const std::string reports = readAll(pipeEnds[0]);
  close(pipeEnds[0]);
  for (pid_t station : stations) {
    int status = 0;
    waitpid(station, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::istringstream lines(reports);
  int done = 0, conflicts = 0, failed = 0;
  for (int d, c, f, reported; lines >> d >> c >> f >> reported;) {
    std::string other;
    std::getline(lines, other);
    EXPECT_EQ(reported, c) << "every conflict is told";
    done += d;
    conflicts += c;
    failed += f;
    EXPECT_EQ(f, 0) << other;
  }
  EXPECT_EQ(done + conflicts + failed, kStations * kChanges);
  EXPECT_EQ(storedFesk1(), (Records{{"C", std::to_string(done)}})) << "no update lost";
}

using KilledCascadeTest = StationsTest;

TEST_F(KilledCascadeTest, AStationKilledInACascadeOfTenThousandLeavesAllOrNoneOfIt) {
  constexpr int kChildren = 10000;
  seed({{"P0", "parent"}, {"Q", "other"}}, Records(kChildren, {"P0", "n"}));
  // Where every record of the family stands: its code, when all agree. A
  // station killed after its commit went out may still be committing: the
  // lock waits for the server to end its transaction.
  const auto familyCode = [this] {
    dataSet_.sql("", "BEGIN; LOCK TABLE fesk1, fesk2 IN SHARE MODE; COMMIT");
    const Records parents = storedFesk1();
    const Records children = storedFesk2();
    const std::string code = parents.front().first;
    long with = 0;
    for (const auto& [childCode, number] : children) with += childCode == code;
    return with == kChildren && children.size() == kChildren ? code : "split";
  };
  const auto recode = [](const std::string& from, const std::string& to) {
    return [from, to] {
      int result = -1;
      runInProgram([&] {
        openBothAsAProcedure();
        readFesk1(from);
        RememberFesk1Code();
        FESK1.buffer().CODE = to;
        result = UpdateFesk1Record(false);
        closeBothAsAProcedure();
      });
      return std::to_string(result);
    };
  };
  // A whole cascade first: how long one takes.
  int unused[2];
  ASSERT_EQ(pipe(unused), 0);
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  waitpid(startStation(unused[1], recode("P0", "P1")), &status, 0);
  const auto whole = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(familyCode(), "P1");

  std::mt19937 random(13);
  std::string code = "P1";
  int cutShort = 0;
  for (int trial = 2; trial < 22; ++trial) {
    const std::string next = "P" + std::to_string(trial);
    const pid_t station = startStation(unused[1], recode(code, next));
    std::this_thread::sleep_for(whole * (random() % 1000) / 1000);
    cutShort += waitpid(station, &status, WNOHANG) == 0;
    kill(station, SIGKILL);
    waitpid(station, &status, 0);
    const std::string now = familyCode();
    ASSERT_TRUE(now == code || now == next) << "trial " << trial << ": " << now;
    code = now;
  }
  close(unused[0]);
  close(unused[1]);
  EXPECT_GT(cutShort, 0) << "some stations were killed while they worked";
}

}  // namespace
}  // namespace fesk::test
