// Taking back this station's saved changes, one at a time, newest first, and
// refusing when another station changed the record since.

#include <regex>
#include <string>

#include "acceptance_support.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "other_station.h"
#include "records/data_set_copy.h"
#include "runtime/files/change_author.h"
#include "support/temporary_directory.h"

namespace fesk::test {
namespace {

using headless::Session;

const Records kFesk1 = {{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}};
const Records kFesk2 = {{"A1", "n1"}, {"A1", "n2"}, {"B2", "m1"}};

class Undo : public TwoStationsTest {
 protected:
  void SetUp() override {
    TwoStationsTest::SetUp();
    seed(kFesk1, kFesk2);
  }

  static void changeRow(Session& user, int row, const std::string& code, const std::string& name) {
    user.row(row);
    user.click("&Change");
    ASSERT_EQ(user.current().title, kChangeFesk1Title);
    fill(user, "&code:", code);
    fill(user, "&name:", name);
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle);
  }

  static std::vector<std::string> boxTexts(Session& user) {
    std::vector<std::string> texts;
    for (const auto& box : user.frontEnd().messageBoxes()) texts.push_back(box.request.text);
    return texts;
  }

  // What is stored and what the browse in front shows agree with `fesk1`.
  static void expectStored(Session& user, const Records& fesk1, const Records& fesk2) {
    EXPECT_EQ(storedFesk1(), fesk1);
    EXPECT_EQ(storedFesk2(), fesk2);
    EXPECT_EQ(rowsOf(user.current(), 1), fesk1) << "the browse shows the result";
  }
};

TEST_P(Undo, EachUndoTakesBackTheSavedChangeBeforeUntilAllIsAsItWas) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.click("&Insert");
    fill(user, "&code:", "D4");
    fill(user, "&name:", "Delta");
    user.click("OK");
    changeRow(user, 2, "B2", "Bravo two");
    changeRow(user, 1, "E5", "Echo");  // re-coded: its FESK2 records follow
    user.row(1);
    user.answer(apprt::kButtonOk);
    user.click("&Delete");  // B2 and its FESK2 record
    expectStored(user, {{"C3", "Charlie"}, {"D4", "Delta"}, {"E5", "Echo"}},
                 {{"E5", "n1"}, {"E5", "n2"}});

    user.key("Ctrl+Z");
    expectStored(user, {{"B2", "Bravo two"}, {"C3", "Charlie"}, {"D4", "Delta"}, {"E5", "Echo"}},
                 {{"B2", "m1"}, {"E5", "n1"}, {"E5", "n2"}});
    user.menu("&Undo");
    expectStored(user, {{"A1", "Alpha"}, {"B2", "Bravo two"}, {"C3", "Charlie"}, {"D4", "Delta"}},
                 kFesk2);
    user.key("Ctrl+Z");
    expectStored(user, {{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}, {"D4", "Delta"}},
                 kFesk2);
    user.key("Ctrl+Z");
    expectStored(user, kFesk1, kFesk2);
    EXPECT_EQ(boxTexts(user).size(), 1u) << "only the delete's confirmation";
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_P(Undo, AChangeOfAnotherStationSinceIsNamedAndNothingIsWritten) {
  startOtherStation();
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    changeRow(user, 1, "A1", "Mine");
    station_->commit("FESK1", "UPDATE fesk1 SET name = 'Theirs' WHERE code = 'A1'");
    user.key("Ctrl+Z");
    const auto texts = boxTexts(user);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        texts[0],
        std::regex(
            R"(Cannot undo: the fesk1 record "A1" was changed by (unknown \(another program\)|)"
            R"(\S+) at \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z\.)")))
        << texts[0];
    EXPECT_EQ(texts[0].find(apprt::changeStation()), std::string::npos) << "not this station";
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Theirs"}, {"B2", "Bravo"}, {"C3", "Charlie"}}));
  EXPECT_EQ(storedFesk2(), kFesk2);
}

TEST_P(Undo, ChangesSavedAfterARestoreAreTakenBackOverTheCarriedHistory) {
  // Backed up record by record and restored: the history is the carried one.
  TemporaryDirectory backupDirectory;
  sqlite::SqliteDriver backup(backupDirectory.path());
  ASSERT_TRUE(records::copyDataSet(dataSet_.driver(), backup).done);
  const auto restored = records::copyDataSet(backup, dataSet_.driver(), {.replace = true});
  ASSERT_TRUE(restored.done) << restored.why;
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    changeRow(user, 2, "B2", "Bravo two");
    user.row(1);
    user.answer(apprt::kButtonOk);
    user.click("&Delete");  // A1 and its FESK2 records
    expectStored(user, {{"B2", "Bravo two"}, {"C3", "Charlie"}}, {{"B2", "m1"}});

    user.key("Ctrl+Z");
    expectStored(user, {{"A1", "Alpha"}, {"B2", "Bravo two"}, {"C3", "Charlie"}}, kFesk2);
    user.key("Ctrl+Z");
    expectStored(user, kFesk1, kFesk2);
    EXPECT_EQ(boxTexts(user).size(), 1u) << "only the delete's confirmation";
  });
  EXPECT_EQ(exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, Undo, driversThatCan(Capability::kHistory), storeName);

class NothingToUndo : public AcceptanceTest {};

TEST_F(NothingToUndo, AFreshDataSetHasNothingToTakeBack) {
  const int exitCode = runProgram([&](Session& user) {
    user.key("Ctrl+Z");
    ASSERT_EQ(user.frontEnd().messageBoxes().size(), 1u);
    EXPECT_EQ(user.frontEnd().messageBoxes()[0].request.text, "Nothing to undo.");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(storedFesk1().empty());
}

}  // namespace
}  // namespace fesk::test
