// The FESK2 side of deleting and re-coding an FESK1 record, inside the
// transaction of the FESK1 routine.
#include "data/data_files.h"
#include "data/fesk2_children.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "runtime/files/errors.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// Runs `write` on every child of `parentCode`; a failed read is reported
// (kind 35), a write that fails with `failureKind`.
template <class Write>
int forEachChild(std::string_view parentCode, int failureKind, Write write) {
  bool written = true;
  const bool read = ForEachFesk2Of(parentCode, [&] {
    write();
    written = apprt::ERRCODE() == apprt::kNoError;
    return written;
  });
  if (!read) {
    ShowFesk2ReadFailure();
    return kWriteFailed;
  }
  if (!written) {
    SaveFileError();
    ShowWarning(failureKind, kFesk2Label);
    return kWriteFailed;
  }
  return kWriteDone;
}

}  // namespace

int CascadeDeleteFesk2() {
  return forEachChild(FESK1.buffer().CODE.view(), kWarnDeleteError, [] { FESK2.remove(); });
}

int CascadeUpdateFesk2() {
  return forEachChild(threadBlock().SavedCode.view(), kWarnUpdateError, [] {
    FESK2.buffer().CODE = FESK1.buffer().CODE;
    FESK2.put();
  });
}

}  // namespace fesk
