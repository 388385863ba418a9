// Writes that meet a change made by another station since the record was
// read: the user is told, nothing is written, and the buffer then holds the
// record as the other station left it.

#include <gtest/gtest.h>

#include <thread>

#include "data/data_files.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace fesk::test {
namespace {

// Runs `change` in a thread of its own, as another station would, while the
// calling procedure waits (letting go of what it holds, as before any wait).
void asAnotherStation(const std::function<void()>& change) {
  apprt::threadWillWait();
  std::thread station([&] {
    FESK1.open(apprt::kOpenSharedReadWrite);
    FESK2.open(apprt::kOpenSharedReadWrite);
    change();
    FESK1.close();
    FESK2.close();
  });
  station.join();
}

void renameM(const std::string& name) {
  ASSERT_TRUE(readFesk1("M"));
  FESK1.buffer().NAME = name;
  FESK1.put();
  ASSERT_EQ(apprt::ERRCODE(), 0);
}

class ConcurrentChangeTest : public EveryDriverDataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    seed({{"A", "alpha"}, {"M", "mike"}}, {{"M", "2"}, {"M", "3"}});
  }
  ProgramOutcome outcome;
};

TEST_P(ConcurrentChangeTest, ChangingAParentChangedElsewhereShowsTheirVersion) {
  int result = -1;
  std::string shownName;
  int retried = -1;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk1("M"));
        RememberFesk1Code();
        asAnotherStation([] { renameM("theirs"); });
        FESK1.buffer().CODE = "T";
        FESK1.buffer().NAME = "mine";
        result = UpdateFesk1Record(false);
        shownName = FESK1.buffer().CODE.text() + "/" + FESK1.buffer().NAME.text();
        // The user edits the version shown and saves again.
        FESK1.buffer().NAME = "mine again";
        retried = UpdateFesk1Record(false);
        closeBothAsAProcedure();
      },
      {1});
  EXPECT_EQ(result, kWriteChangedElsewhere);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].request.title, "Update Operation Error");
  EXPECT_EQ(outcome.boxes[0].request.text, "This record was changed by another station.");
  EXPECT_EQ(outcome.boxes[0].request.icon, apprt::Icon::Warning);
  EXPECT_EQ(shownName, "M/theirs");
  EXPECT_EQ(retried, kWriteDone);
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"M", "mine again"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"M", "2"}, {"M", "3"}})) << "no child took the code T";
}

TEST_P(ConcurrentChangeTest, AFurtherChangeElsewhereIsDetectedOnTheNextAttempt) {
  std::vector<int> results;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk1("M"));
        RememberFesk1Code();
        asAnotherStation([] { renameM("theirs"); });
        results.push_back(UpdateFesk1Record(false));
        asAnotherStation([] { renameM("theirs again"); });
        FESK1.buffer().NAME = "mine";
        results.push_back(UpdateFesk1Record(false));
        closeBothAsAProcedure();
      },
      {1, 1});
  EXPECT_EQ(results, (std::vector<int>{kWriteChangedElsewhere, kWriteChangedElsewhere}));
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"M", "theirs again"}}));
}

TEST_P(ConcurrentChangeTest, WithTheRecallHintTheUserIsToldHowToRecallTheirChanges) {
  int result = -1;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk1("M"));
        asAnotherStation([] { renameM("theirs"); });
        FESK1.buffer().NAME = "mine";
        result = UpdateFesk1Record(true);
      },
      {1});
  EXPECT_EQ(result, kWriteChangedElsewhere);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].request.title, "Record Was Not Updated");
}

TEST_P(ConcurrentChangeTest, ChangingAChildChangedElsewhereShowsTheirVersion) {
  int result = -1;
  std::string shownNumber;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk2("M", "3"));
        asAnotherStation([] {
          ASSERT_TRUE(readFesk2("M", "3"));
          FESK2.buffer().NUMBER = "30";
          FESK2.put();
        });
        FESK2.buffer().NUMBER = "33";
        result = UpdateFesk2Record(false);
        shownNumber = FESK2.buffer().NUMBER.text();
      },
      {1});
  EXPECT_EQ(result, kWriteChangedElsewhere);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].request.text, "This record was changed by another station.");
  EXPECT_EQ(shownNumber, "30");
  EXPECT_EQ(storedFesk2(), (Records{{"M", "2"}, {"M", "30"}}));
}

// The record the user chose was re-coded elsewhere: deleting it would take
// the children of a code it no longer has, so nothing is deleted.
TEST_P(ConcurrentChangeTest, AParentRecodedElsewhereIsNotDeleted) {
  int result = -1;
  outcome = runInProgram(
      [&] {
        openBothAsAProcedure();
        ASSERT_TRUE(readFesk1("M"));
        asAnotherStation([] {
          ASSERT_TRUE(readFesk1("M"));
          FESK1.buffer().CODE = "N";
          FESK1.put();
        });
        result = DeleteFesk1Record();
      },
      {1});
  EXPECT_EQ(result, kWriteFailed);
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].request.title, "Record Retrieval Error");
  EXPECT_EQ(storedFesk1(), (Records{{"A", "alpha"}, {"N", "mike"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"M", "2"}, {"M", "3"}}));
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConcurrentChangeTest, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
