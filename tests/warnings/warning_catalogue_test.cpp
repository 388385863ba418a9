// Every warning kind as the user sees it: title, exact message, icon, buttons,
// default button, and what the call answers or whether the program ends.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_in_program.h"
#include "runtime/files/errors.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk::test {
namespace {

using apprt::Icon;

constexpr auto Q = Icon::Question;
constexpr auto W = Icon::Warning;

struct KindCase {
  int kind;
  std::string text1, text2;
  std::string title, text;
  Icon icon;
  int buttons, defaultButton;
  std::string haltMessage;  // empty: the call returns
};

// The error behind every case: a failed read of a record that is gone.
const std::string kDesc = "Record Not Found (35)";

// Texts are passed with trailing spaces, which the messages never show.
const std::vector<KindCase> kCases = {
    {1, "FESK1  ", "", "Invalid File",
     "Error: (" + kDesc + ") accessing FESK1.  Press OK to end this application.", W, 1, 1,
     "Invalid File!"},
    {3, "FESK1", "", "Key Rebuild Error",
     "Error: (" + kDesc + ") repairing key for FESK1.  Press OK to end this application.", W, 1, 1,
     "Error Rebuilding Key!"},
    {4, "FESK1", "", "File Creation Error",
     "Error: (" + kDesc + ") creating FESK1.  Press OK to end this application.", W, 1, 1,
     "File Creation Error!"},
    {5, "FESK1", "", "File Creation Error",
     "Error: (" + kDesc + ") opening created file:FESK1.  Press OK to end this application.", W, 1,
     1, "File Creation Error!"},
    {6, "Proc ", "", "Procedure not defined", "The Procedure Proc has not been defined.", W, 1, 1,
     ""},
    {7, "", "", "", "Unable to read keyed record.  Error: " + kDesc + ".  Insert Aborted", W, 1, 1,
     ""},
    {8, "Amount ", "10 ", "Range Error", "The value of Amount must be lower than 10.", W, 1, 1, ""},
    {9, "Amount", "10", "Range Error", "The value of Amount must be higher than 10.", W, 1, 1, ""},
    {10, "Amount", "1 and 9", "Range Error", "The value of Amount must be between 1 and 9.", W, 1,
     1, ""},
    {11, "CODE", "fesk1", "Field Contents Error",
     "The value for CODE must be found in the fesk1 file.", W, 1, 1, ""},
    {12, "fesk2", "", "Referential Integrity Update Error",
     "This record is referenced from the file fesk2.  Linking field(s) have been restricted from "
     "change and have been reset to original values.",
     W, 1, 1, ""},
    {13, "fesk2", "", "Referential Integrity Delete Error",
     "This record is referenced from the file fesk2.  This record cannot be deleted while these "
     "references exist.",
     W, 1, 1, ""},
    {14, "", "", "Record Insert Error",
     "An error was experienced during the update of record.  Error: " + kDesc + ".", W, 1, 1, ""},
    {15, "fesk1 ", "", "Update Operation Error",
     "An error (" + kDesc +
         ") was experienced when attempting to update a record from the file.  Probable Cause: "
         "fesk1.",
     W, 1, 1, ""},
    {16, "", "", "Record Update Error",
     "An error was experienced changing this record.  Do you want to try to save again?", W, 70, 64,
     ""},
    {17, "fesk2", "", "Delete Operation Error",
     "An error (" + kDesc +
         ") was experienced when attempting to delete a record from the file fesk2.",
     W, 1, 1, ""},
    {18, "", "", "Record Update Error",
     "An error was experienced deleting this record.  Do you want to try to save again?", W, 70, 64,
     ""},
    {19, "", "", "Invalid Request",
     "This procedure was called to insert a record, however inserts are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     W, 1, 1, ""},
    {20, "", "", "Invalid Request",
     "This procedure was called to change a record, however changes are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     W, 1, 1, ""},
    {21, "", "", "Invalid Request",
     "This procedure was called to delete a record, however deletions are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     W, 1, 1, ""},
    {22, "FESK1", "", "File Creation Not Allowed",
     "The File FESK1was not found, and creation of the file is not allowed.  Press OK to end "
     "this application.",
     W, 1, 1, "File Creation Error!"},
    {23, "", "", "Update Cancelled", "Are you sure you want to cancel?", Q, 6, 4, ""},
    {24, "FES:Keycode", "", "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key:FES:Keycode", W, 1, 1, ""},
    {25, "", "", "Auto Increment Error",
     "Attempts to automatically number this record have failed.  Error: " + kDesc + ".", W, 80, 64,
     ""},
    {26, "FESK1", "", "File Load Error", "FESK1 File Load Error.  Error: " + kDesc + ".", W, 1, 1,
     ""},
    {27, "FESK1", "", "Cancel Request", "Are you certain you want to stop loading FESK1?", Q, 65,
     64, ""},
    {28, "FESK1", "", "File Load Error",
     "FESK1 File Load Error.  The file you've requested contains no text.", W, 1, 1, ""},
    {29, "Down", "", "End of File Error",
     "The end of the viewed file was encountered.  Do you want to start again from the "
     "beginning?",
     Q, 6, 2, ""},
    {29, "Up", "", "Beginning of File Error",
     "The beginning of the viewed file was encountered.  Do you want to start again from the end "
     "of the file?",
     Q, 6, 2, ""},
    {30, "FESK1", "", "File Access Error",
     "File (FESK1) could not be opened.  Error: " + kDesc + ".", W, 1, 1, ""},
    {31, "Put", "fesk1", "Process PUT Error",
     "An error was experienced when making changes to the fesk1 file.  Error: " + kDesc, W, 1, 1,
     ""},
    {31, "Delete", "fesk1", "Process DELETE Error",
     "An error was experienced when deleting a record from the fesk1 file.  Error: " + kDesc, W, 1,
     1, ""},
    {32, "", "", "Confirm Delete",
     "You've selected to delete the highlighted record.  Press OK to confirm deletion of this "
     "record.",
     Q, 65, 64, ""},
    {33, "", "", "Update Cancelled", "Do you want to save the changes to this record?", Q, 70, 4,
     ""},
    {34, "Delete", "fesk1 ", "Transaction Framing Error",
     "Error: (" + kDesc +
         ") attempting to frame the delete transaction on fesk1.  Delete transaction cancelled.",
     W, 1, 1, ""},
    {35, "fesk2", "", "Record Retrieval Error",
     "Error: (" + kDesc +
         ") attempting to access a record from the fesk2 file.  Returning to previous window.",
     W, 1, 1, ""},
    {36, "", "", "View Open Error",
     "Error: (" + kDesc + ") attempting to open the current VIEW. Filter and Range Limits ignored.",
     W, 1, 1, ""},
    {37, "", "", "Record Added",
     "This record has been added to the file. Do you want to add another record?", Q, 6, 2, ""},
    {38, "", "", "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the "
     "Ditto Button or Ctrl+' to recall your changes.",
     W, 1, 1, ""},
    {40, "FESK1 ", "", "Damaged File",
     "FESK1 is damaged.  The records that can still be read can be saved into a new file, and "
     "the damaged file kept as it is.  Do you want to save them?",
     Q, 6, 2, ""},
    {41, "FESK1", "2 records were saved into a new file; the damaged file is kept as /d/F.sqlite ",
     "Damaged File",
     "FESK1 was damaged.  2 records were saved into a new file; the damaged file is kept as "
     "/d/F.sqlite.",
     W, 1, 1, ""},
};

// Shows `kind` after capturing a failed record read, answering the default button.
ProgramOutcome showAfterFailedRead(const KindCase& c) {
  return runInProgram(
      [&] {
        apprt::setError(apprt::kRecordNotFound);
        SaveFileError();
        ShowWarning(c.kind, c.text1, c.text2);
      },
      {c.defaultButton});
}

TEST(WarningCatalogue, EveryKindShowsItsTitleTextIconButtonsAndDefault) {
  for (const KindCase& c : kCases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " text1 '" + c.text1 + "'");
    const ProgramOutcome outcome = showAfterFailedRead(c);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    const auto& box = outcome.boxes[0].request;
    EXPECT_EQ(box.title, c.title);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.icon, c.icon);
    EXPECT_EQ(box.buttons, c.buttons);
    EXPECT_EQ(box.defaultButton, c.defaultButton);
    EXPECT_EQ(outcome.bodyFinished, c.haltMessage.empty());
    EXPECT_EQ(outcome.haltMessage, c.haltMessage);
    EXPECT_EQ(outcome.exitCode, 0);
  }
}

TEST(WarningCatalogue, KindTwoAsksToRebuildAndHaltsOnlyWhenAnsweredNo) {
  int answered = 0;
  const auto yes = runInProgram([&] { answered = ShowWarning(2, "FESK1 "); }, {apprt::kButtonYes});
  ASSERT_EQ(yes.boxes.size(), 1u);
  EXPECT_EQ(yes.boxes[0].request.title, "Invalid Key");
  EXPECT_EQ(yes.boxes[0].request.text,
            "FESK1 key file is invalid.  Do you want to rebuild the key?");
  EXPECT_EQ(yes.boxes[0].request.icon, Q);
  EXPECT_EQ(yes.boxes[0].request.buttons, 6);
  EXPECT_EQ(yes.boxes[0].request.defaultButton, 2);
  EXPECT_TRUE(yes.bodyFinished);
  EXPECT_EQ(answered, 2);

  const auto no = runInProgram([] { ShowWarning(2, "FESK1"); }, {apprt::kButtonNo});
  EXPECT_FALSE(no.bodyFinished);
  EXPECT_EQ(no.haltMessage, "Invalid Key!");
  EXPECT_EQ(no.exitCode, 0);
}

TEST(WarningCatalogue, AFileInUseEndsTheProgramWhenCancelled) {
  const auto cancel = runInProgram([] { ShowWarning(39, "FESK1"); }, {apprt::kButtonCancel});
  EXPECT_FALSE(cancel.bodyFinished);
  EXPECT_EQ(cancel.haltMessage, "File In Use!");
  EXPECT_EQ(cancel.exitCode, 0);
}

TEST(WarningCatalogue, QuestionsAnswerTheButtonPressedAndReportsAnswerNothing) {
  std::vector<int> answers;
  runInProgram(
      [&] {
        answers.push_back(ShowWarning(33));
        answers.push_back(ShowWarning(32));
        answers.push_back(ShowWarning(34, "Update", "fesk2"));
        answers.push_back(ShowWarning(35, "fesk2"));
        answers.push_back(ShowWarning(36));
      },
      {apprt::kButtonCancel, apprt::kButtonOk, 1, 1, 1});
  EXPECT_EQ(answers, (std::vector<int>{64, 1, 0, 0, 0}));
}

TEST(WarningCatalogue, KindsOutsideTheCatalogueShowNothing) {
  std::vector<int> answers;
  const auto outcome = runInProgram([&] {
    for (int kind : {0, 42, -1}) answers.push_back(ShowWarning(kind, "x", "y"));
  });
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(answers, (std::vector<int>{0, 0, 0}));
}

TEST(WarningCatalogue, EndOfFileAndProcessErrorGoByText1ExactlyAsPassed) {
  const auto outcome = runInProgram(
      [] {
        ShowWarning(29, "down");
        ShowWarning(29, "Down ");
        ShowWarning(31, "PUT", "fesk1");
        ShowWarning(31, "Put ", "fesk1");
      },
      {2, 2, 1, 1});
  ASSERT_EQ(outcome.boxes.size(), 4u);
  EXPECT_EQ(outcome.boxes[0].request.title, "Beginning of File Error");
  EXPECT_EQ(outcome.boxes[1].request.title, "Beginning of File Error");
  EXPECT_EQ(outcome.boxes[2].request.title, "Process DELETE Error");
  EXPECT_EQ(outcome.boxes[3].request.title, "Process DELETE Error");
}

TEST(WarningCatalogue, FramingErrorNamesTheActionInLowerCaseThenAsPassed) {
  const auto outcome = runInProgram(
      [] {
        apprt::setError(apprt::kAccessDenied);
        ShowWarning(34, "Update", "fesk2");
      },
      {1});
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (Access Denied (5)) attempting to frame the update transaction on fesk2.  "
            "Update transaction cancelled.");
}

TEST(WarningCatalogue, UpdateErrorReportsAChangeByAnotherStationWhateverText1Is) {
  const auto outcome = runInProgram(
      [] {
        apprt::setError(apprt::kChangedByOtherStation);
        SaveFileError();
        ShowWarning(15, "Record Changed by Another Station");
        apprt::clearError();
        ShowWarning(15, "fesk1");  // nothing saved, no current error
      },
      {1, 1});
  ASSERT_EQ(outcome.boxes.size(), 2u);
  EXPECT_EQ(outcome.boxes[0].request.text, "This record was changed by another station.");
  EXPECT_EQ(outcome.boxes[1].request.text, "This record was changed by another station.");
}

}  // namespace
}  // namespace fesk::test
