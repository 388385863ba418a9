#pragma once
// The warning catalogue: every message box about files, records and requests
// is one of 41 numbered kinds. The caller names the kind and up to two texts
// (a file name, a key name, an action word: action word first, file label
// second); the catalogue composes the message with a description of the last
// error, shows the box and answers the button pressed. The halting kinds end
// the program after the box (exit code 0) and do not return.

#include <string_view>

namespace fesk {

enum WarningKindNumber : int {
  kWarnInvalidFile = 1,           // halts
  kWarnInvalidKey = 2,            // asks to rebuild; No halts
  kWarnKeyRebuildError = 3,       // halts
  kWarnFileCreationError = 4,     // halts
  kWarnCreatedFileOpenError = 5,  // halts
  kWarnProcedureNotDefined = 6,
  kWarnKeyedReadError = 7,
  kWarnRangeBelow = 8,
  kWarnRangeAbove = 9,
  kWarnRangeBetween = 10,
  kWarnValueNotInFile = 11,
  kWarnRestrictedUpdate = 12,
  kWarnRestrictedDelete = 13,
  kWarnInsertError = 14,
  kWarnUpdateError = 15,
  kWarnRetryUpdate = 16,
  kWarnDeleteError = 17,
  kWarnRetryDelete = 18,
  kWarnInsertNotAllowed = 19,
  kWarnChangeNotAllowed = 20,
  kWarnDeleteNotAllowed = 21,
  kWarnCreationNotAllowed = 22,  // halts
  kWarnConfirmCancel = 23,
  kWarnDuplicateKey = 24,
  kWarnAutoNumberError = 25,
  kWarnFileLoadError = 26,
  kWarnStopLoading = 27,
  kWarnNoText = 28,
  kWarnEndOfFile = 29,  // text1 "Down": the end; otherwise the beginning
  kWarnFileAccessError = 30,
  kWarnProcessError = 31,  // text1 "Put": a change; otherwise a deletion
  kWarnConfirmDelete = 32,
  kWarnSaveChanges = 33,
  kWarnFramingError = 34,
  kWarnRetrievalError = 35,
  kWarnViewOpenError = 36,
  kWarnRecordAdded = 37,
  kWarnRecordNotUpdated = 38,
  kWarnFileInUse = 39,    // Retry returns; Cancel halts
  kWarnDamagedFile = 40,  // asks to save the readable records; No halts
  kWarnRecordsSaved = 41,
};

// Shows warning `kind` (1 to 41; any other number shows nothing) and answers
// the button pressed (kind 2: 2 unless it halted; kinds 34 to 36 and unknown
// kinds: 0). Builds the error description first and empties the saved-error
// state on every call, whatever the kind. Texts are used without their
// trailing spaces. Must run in a procedure thread (it waits for the answer).
int ShowWarning(int kind, std::string_view text1 = {}, std::string_view text2 = {});

}  // namespace fesk
