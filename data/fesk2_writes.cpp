// Writing and deleting single FESK2 records.
#include "data/data_files.h"
#include "data/orphans.h"
#include "data/record_writes.h"
#include "data/write_steps.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

enum class Parent { kStored, kMissing, kUnknown };

// Whether an FESK1 record has the code of the FESK2 record in the buffer. A
// failed look-up is captured and reported (kind 35).
Parent parentOfBuffer() {
  const bool stored = Fesk1HasCode(FESK2.buffer().CODE);
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnRetrievalError, kFesk1Label);
    return Parent::kUnknown;
  }
  return stored ? Parent::kStored : Parent::kMissing;
}

// Inside a transaction over both files: true when the buffer's code has its
// FESK1 record; otherwise the transaction is rolled back, the user told, and
// false.
bool parentIsStored() {
  switch (parentOfBuffer()) {
    case Parent::kStored:
      return true;
    case Parent::kMissing:
      apprt::rollbackTransaction();
      ShowWarning(kWarnValueNotInFile, "code", kFesk1Label);
      return false;
    case Parent::kUnknown:
      return false;
  }
  return false;
}

int updateUnderParent(bool showRecallHint) {
  if (!beginWrite("Update", kFesk2Label, {&FESK1, &FESK2})) return kWriteFailed;
  const std::string position = FESK2.positionByFile();
  if (!parentIsStored()) return kWriteFailed;
  FESK2.put();
  if (apprt::ERRCODE() != apprt::kNoError) {
    return endFailedPut(FESK2, position, showRecallHint, kFesk2Label);
  }
  return commitWrite(kWarnUpdateError, kFesk2Label) ? kWriteDone : kWriteFailed;
}

int addUnderParent() {
  if (!beginWrite("Insert", kFesk2Label, {&FESK1, &FESK2})) return kWriteFailed;
  if (!parentIsStored()) return kWriteFailed;
  FESK2.add();
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnInsertError);
    return kWriteFailed;
  }
  return commitWrite(kWarnInsertError, kFesk2Label) ? kWriteDone : kWriteFailed;
}

// Runs `write` with FESK1 open in this thread (the look-up of the FESK1
// record needs it), leaving its open count as it was.
template <class Write>
int withFesk1Open(Write write) {
  AcquireFesk1();
  const int result = write();
  ReleaseFesk1();
  return result;
}

}  // namespace

int UpdateFesk2Record(bool showRecallHint) {
  return withFesk1Open([&] { return updateUnderParent(showRecallHint); });
}

int AddFesk2Record() {
  return withFesk1Open(addUnderParent);
}

int DeleteFesk2Record() {
  const std::string position = FESK2.positionByKey(FS2_KEYCODE);
  if (!beginWrite("Delete", kFesk2Label, {&FESK2})) return kWriteFailed;
  if (!regetForDelete(FESK2, position, kFesk2Label)) return kWriteFailed;
  FESK2.remove();
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnDeleteError, kFesk2Label);
    return kWriteFailed;
  }
  return commitWrite(kWarnDeleteError, kFesk2Label) ? kWriteDone : kWriteFailed;
}

}  // namespace fesk
