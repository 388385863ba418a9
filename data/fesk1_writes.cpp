// Writing and deleting FESK1 records, with their FESK2 records.
#include <vector>

#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "data/write_steps.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// The body of UpdateFesk1Record, with FESK2 open.
int updateWithChildren(bool showRecallHint) {
  if (!beginWrite("Update", kFesk1Label, {&FESK1, &FESK2})) return kWriteFailed;
  const std::string position = FESK1.positionByFile();
  FESK1.put();
  if (apprt::ERRCODE() != apprt::kNoError) {
    return endFailedPut(FESK1, position, showRecallHint, kFesk1Label);
  }
  const bool codeChanged = !(threadBlock().SavedCode == FESK1.buffer().CODE);
  if (codeChanged && CascadeUpdateFesk2() != kWriteDone) {
    apprt::rollbackTransaction();
    FESK2.buffer().CODE = FESK1.buffer().CODE;
    return kWriteFailed;
  }
  return commitWrite(kWarnUpdateError, kFesk1Label) ? kWriteDone : kWriteFailed;
}

// The body of DeleteFesk1Record, with FESK2 open.
int deleteWithChildren(const std::string& position) {
  if (!beginWrite("Delete", kFesk1Label, {&FESK1, &FESK2})) return kWriteFailed;
  // A record that is gone, or was re-keyed by another station since the user
  // chose it, is not deleted: neither it nor the children of its old code.
  if (!regetForDelete(FESK1, position, kFesk1Label)) return kWriteFailed;
  if (CascadeDeleteFesk2() != kWriteDone) {
    apprt::rollbackTransaction();
    return kWriteFailed;
  }
  FESK1.remove();
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnDeleteError, kFesk1Label);
    return kWriteFailed;
  }
  return commitWrite(kWarnDeleteError, kFesk1Label) ? kWriteDone : kWriteFailed;
}

// The body of AddFesk1WithChildren, with FESK2 open.
int addWithChildren(const std::vector<Fesk2Record>& children) {
  if (!beginWrite("Insert", kFesk1Label, {&FESK1, &FESK2})) return kWriteFailed;
  FESK1.add();
  for (auto child = children.begin();
       apprt::ERRCODE() == apprt::kNoError && child != children.end(); ++child) {
    FESK2.buffer() = *child;
    FESK2.add();
  }
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnInsertError);
    return kWriteFailed;
  }
  return commitWrite(kWarnInsertError, kFesk1Label) ? kWriteDone : kWriteFailed;
}

}  // namespace

void RememberFesk1Code() {
  threadBlock().SavedCode = FESK1.buffer().CODE;
}

int UpdateFesk1Record(bool showRecallHint) {
  AcquireFesk2();
  const int result = updateWithChildren(showRecallHint);
  ReleaseFesk2();
  return result;
}

int DeleteFesk1Record() {
  const std::string position = FESK1.positionByKey(FES_KEYCODE);
  AcquireFesk2();
  const int result = deleteWithChildren(position);
  ReleaseFesk2();
  return result;
}

int AddFesk1WithChildren(const std::vector<Fesk2Record>& children) {
  AcquireFesk2();
  const int result = addWithChildren(children);
  ReleaseFesk2();
  return result;
}

}  // namespace fesk
