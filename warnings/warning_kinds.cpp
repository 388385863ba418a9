#include "warnings/warning_kinds.h"

#include <array>

#include "runtime/files/errors.h"
#include "runtime/text/ascii_case.h"

namespace fesk {
namespace {

using apprt::Icon;
using T = const WarningTexts&;

constexpr int kOk = apprt::kButtonOk;
constexpr int kYes = apprt::kButtonYes;
constexpr int kNo = apprt::kButtonNo;
constexpr int kCancel = apprt::kButtonCancel;
constexpr int kYesNo = kYes + kNo;
constexpr int kOkCancel = kOk + kCancel;
constexpr int kYesNoCancel = kYes + kNo + kCancel;
constexpr int kRetryCancel = apprt::kButtonRetry + kCancel;

constexpr auto kReturn = AfterBox::kReturnButton;
constexpr auto kNone = AfterBox::kNoResult;
constexpr auto kHalt = AfterBox::kHalt;

// Kind 15 is also how a change by another station is reported.
std::string updateErrorMessage(T t) {
  if (t.code == 0 || t.code == apprt::kChangedByOtherStation) {
    return "This record was changed by another station.";
  }
  return "An error (" + t.description + ") was experienced" +
         " when attempting to update a record from the file.  Probable Cause: " + t.text1 + ".";
}

const std::array kKinds = {
    WarningKind{1,
                {},
                "Invalid File",
                [](T t) {
                  return "Error: (" + t.description + ") accessing " + t.text1 +
                         ".  Press OK to end this application.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kHalt,
                "Invalid File!"},
    WarningKind{
        2,
        {},
        "Invalid Key",
        [](T t) { return t.text1 + " key file is invalid.  Do you " + "want to rebuild the key?"; },
        Icon::Question,
        kYesNo,
        kYes,
        AfterBox::kReturnTwoUnlessNo,
        "Invalid Key!"},
    WarningKind{3,
                {},
                "Key Rebuild Error",
                [](T t) {
                  return "Error: (" + t.description + ") repairing key for " + t.text1 +
                         ".  Press OK to end this application.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kHalt,
                "Error Rebuilding Key!"},
    WarningKind{4,
                {},
                "File Creation Error",
                [](T t) {
                  return "Error: (" + t.description + ") creating " + t.text1 +
                         ".  Press OK to end this application.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kHalt,
                "File Creation Error!"},
    WarningKind{5,
                {},
                "File Creation Error",
                [](T t) {
                  return "Error: (" + t.description + ") opening created " + "file:" + t.text1 +
                         ".  Press OK to end this application.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kHalt,
                "File Creation Error!"},
    WarningKind{6,
                {},
                "Procedure not defined",
                [](T t) { return "The Procedure " + t.text1 + " has not " + "been defined."; },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{7,
                {},
                "",
                [](T t) {
                  return "Unable to read keyed record.  Error: " + t.description +
                         ".  Insert Aborted";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{
        8,
        {},
        "Range Error",
        [](T t) { return "The value of " + t.text1 + " must" + " be lower than " + t.text2 + "."; },
        Icon::Warning,
        kOk,
        kOk,
        kReturn,
        {}},
    WarningKind{9,
                {},
                "Range Error",
                [](T t) {
                  return "The value of " + t.text1 + " must be" + " higher than " + t.text2 + ".";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{
        10,
        {},
        "Range Error",
        [](T t) { return "The value of " + t.text1 + " must be " + "between " + t.text2 + "."; },
        Icon::Warning,
        kOk,
        kOk,
        kReturn,
        {}},
    WarningKind{11,
                {},
                "Field Contents Error",
                [](T t) {
                  return "The value for " + t.text1 + " must be " + "found in the " + t.text2 +
                         " file.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{12,
                {},
                "Referential Integrity Update Error",
                [](T t) {
                  return "This record is referenced from the file " + t.text1 +
                         ".  Linking field(s) have been restricted" +
                         " from change and have been reset to original values.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{13,
                {},
                "Referential Integrity Delete Error",
                [](T t) {
                  return "This record is referenced from the file " + t.text1 +
                         ".  This record cannot be deleted while" + " these references exist.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{14,
                {},
                "Record Insert Error",
                [](T t) {
                  return "An error was experienced during the update of record.  Error: " +
                         t.description + ".";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{
        15, {}, "Update Operation Error", updateErrorMessage, Icon::Warning, kOk, kOk, kReturn, {}},
    WarningKind{16,
                {},
                "Record Update Error",
                [](T) -> std::string {
                  return "An error was experienced changing this record.  Do you want to try to "
                         "save again?";
                },
                Icon::Warning,
                kYesNoCancel,
                kCancel,
                kReturn,
                {}},
    WarningKind{17,
                {},
                "Delete Operation Error",
                [](T t) {
                  return "An error (" + t.description + ") was experienced" +
                         " when attempting to delete a record from the file " + t.text1 + ".";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{18,
                {},
                "Record Update Error",
                [](T) -> std::string {
                  return "An error was experienced deleting this record.  Do you want to try to "
                         "save again?";
                },
                Icon::Warning,
                kYesNoCancel,
                kCancel,
                kReturn,
                {}},
    WarningKind{19,
                {},
                "Invalid Request",
                [](T) -> std::string {
                  return "This procedure was called to insert a record, however inserts are not "
                         "allowed for this procedure.  Press OK to return to the calling "
                         "procedure";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{20,
                {},
                "Invalid Request",
                [](T) -> std::string {
                  return "This procedure was called to change a record, however changes are not "
                         "allowed for this procedure.  Press OK to return to the calling "
                         "procedure";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{21,
                {},
                "Invalid Request",
                [](T) -> std::string {
                  return "This procedure was called to delete a record, however deletions are "
                         "not allowed for this procedure.  Press OK to return to the calling "
                         "procedure";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{22,
                {},
                "File Creation Not Allowed",
                [](T t) {
                  return "The File " + t.text1 + "was not found, " +
                         "and creation of the file is not allowed.  Press OK to end " +
                         "this application.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kHalt,
                "File Creation Error!"},
    WarningKind{23,
                {},
                "Update Cancelled",
                [](T) -> std::string { return "Are you sure you want to cancel?"; },
                Icon::Question,
                kYesNo,
                kNo,
                kReturn,
                {}},
    WarningKind{
        24,
        {},
        "Duplicate Key Error",
        [](T t) { return "Adding this record creates a duplicate entry for the key:" + t.text1; },
        Icon::Warning,
        kOk,
        kOk,
        kReturn,
        {}},
    WarningKind{25,
                {},
                "Auto Increment Error",
                [](T t) {
                  return "Attempts to automatically number this record have failed.  Error: " +
                         t.description + ".";
                },
                Icon::Warning,
                kRetryCancel,
                kCancel,
                kReturn,
                {}},
    WarningKind{
        26,
        {},
        "File Load Error",
        [](T t) { return t.text1 + " File Load Error.  " + "Error: " + t.description + "."; },
        Icon::Warning,
        kOk,
        kOk,
        kReturn,
        {}},
    WarningKind{27,
                {},
                "Cancel Request",
                [](T t) { return "Are you certain you want to stop loading " + t.text1 + "?"; },
                Icon::Question,
                kOkCancel,
                kCancel,
                kReturn,
                {}},
    WarningKind{28,
                {},
                "File Load Error",
                [](T t) {
                  return t.text1 + " File Load Error.  " +
                         "The file you've requested contains no text.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{29,
                "Down",
                "End of File Error",
                [](T) -> std::string {
                  return "The end of the viewed file was encountered.  Do you want to start "
                         "again from the beginning?";
                },
                Icon::Question,
                kYesNo,
                kYes,
                kReturn,
                {}},
    WarningKind{29,
                {},
                "Beginning of File Error",
                [](T) -> std::string {
                  return "The beginning of the viewed file was encountered.  Do you want to "
                         "start again from the end of the file?";
                },
                Icon::Question,
                kYesNo,
                kYes,
                kReturn,
                {}},
    WarningKind{30,
                {},
                "File Access Error",
                [](T t) {
                  return "File (" + t.text1 + ") could not be " +
                         "opened.  Error: " + t.description + ".";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{31,
                "Put",
                "Process PUT Error",
                [](T t) {
                  return "An error was experienced when making changes to the " + t.text2 +
                         " file.  Error: " + t.description;
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{31,
                {},
                "Process DELETE Error",
                [](T t) {
                  return "An error was experienced when deleting a record from the " + t.text2 +
                         " file.  Error: " + t.description;
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    WarningKind{32,
                {},
                "Confirm Delete",
                [](T) -> std::string {
                  return "You've selected to delete the highlighted record.  Press OK to "
                         "confirm deletion of this record.";
                },
                Icon::Question,
                kOkCancel,
                kCancel,
                kReturn,
                {}},
    WarningKind{33,
                {},
                "Update Cancelled",
                [](T) -> std::string { return "Do you want to save the changes to this record?"; },
                Icon::Question,
                kYesNoCancel,
                kNo,
                kReturn,
                {}},
    WarningKind{34,
                {},
                "Transaction Framing Error",
                [](T t) {
                  return "Error: (" + t.description + ") attempting to frame the " +
                         apprt::asciiLower(t.text1) + " transaction on " + t.text2 + ".  " +
                         t.text1 + " transaction cancelled.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kNone,
                {}},
    WarningKind{35,
                {},
                "Record Retrieval Error",
                [](T t) {
                  return "Error: (" + t.description + ") attempting to access a " +
                         "record from the " + t.text1 + " file.  Returning to " +
                         "previous window.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kNone,
                {}},
    WarningKind{36,
                {},
                "View Open Error",
                [](T t) {
                  return "Error: (" + t.description + ") attempting to open the " +
                         "current VIEW. Filter and Range Limits ignored.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kNone,
                {}},
    WarningKind{37,
                {},
                "Record Added",
                [](T) -> std::string {
                  return "This record has been added to the file. Do you want to add another "
                         "record?";
                },
                Icon::Question,
                kYesNo,
                kYes,
                kReturn,
                {}},
    WarningKind{38,
                {},
                "Record Was Not Updated",
                [](T) -> std::string {
                  return "This record was changed by another station. Those changes will now be "
                         "displayed. Use the Ditto Button or Ctrl+' to recall your changes.";
                },
                Icon::Warning,
                kOk,
                kOk,
                kReturn,
                {}},
    // Another program holding a data file is no fault of the file: the user
    // may wait for it and try again.
    WarningKind{39,
                {},
                "File In Use",
                [](T t) {
                  return "File (" + t.text1 +
                         ") is held by another program.  Error: " + t.description +
                         ".  Press Retry to try again, or Cancel to end this application.";
                },
                Icon::Warning,
                kRetryCancel,
                apprt::kButtonRetry,
                AfterBox::kRetryOrHalt,
                "File In Use!"},
    // A file with damaged pages in its table is not mended in place: its
    // readable records are saved into a new file and the damaged one is kept.
    WarningKind{40,
                {},
                "Damaged File",
                [](T t) {
                  return t.text1 + " is damaged.  The records that can still be read can be " +
                         "saved into a new file, and the damaged file kept as it is.  Do you " +
                         "want to save them?";
                },
                Icon::Question,
                kYesNo,
                kYes,
                AfterBox::kReturnTwoUnlessNo,
                "Invalid File!"},
    // text2: the driver's report of what it saved and where the damaged file is.
    WarningKind{41,
                {},
                "Damaged File",
                [](T t) { return t.text1 + " was damaged.  " + t.text2 + "."; },
                Icon::Warning,
                kOk,
                kOk,
                kNone,
                {}},
};

}  // namespace

const WarningKind* findWarningKind(int kind, std::string_view text1AsPassed) {
  for (const WarningKind& row : kKinds) {
    if (row.kind != kind) continue;
    if (row.whenText1.empty() || row.whenText1 == text1AsPassed) return &row;
  }
  return nullptr;
}

}  // namespace fesk
