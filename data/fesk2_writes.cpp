// Writing and deleting single FESK2 records.
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/write_steps.h"
#include "runtime/files/errors.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {

int UpdateFesk2Record(bool showRecallHint) {
  if (!beginWrite("Update", kFesk2Label, {&FESK2})) return kWriteFailed;
  const std::string position = FESK2.positionByFile();
  FESK2.put();
  if (apprt::ERRCODE() != apprt::kNoError) {
    return endFailedPut(FESK2, position, showRecallHint, kFesk2Label);
  }
  return commitWrite(kWarnUpdateError, kFesk2Label) ? kWriteDone : kWriteFailed;
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
