// The FESK2 side of deleting and re-coding an FESK1 record, inside the
// transaction of the FESK1 routine.
#include "data/data_files.h"
#include "data/record_writes.h"
#include "data/thread_block.h"
#include "runtime/files/errors.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// Puts FESK2 before the first child of `code` in FS2:KEYCODE order.
void setOnChildrenOf(const apprt::FixedString<20>& code) {
  FESK2.clear();
  FESK2.buffer().CODE = code;
  FESK2.setOnKeyValue(FS2_KEYCODE);
}

enum class NextChild { kFound, kNoMore, kFailed };

// Reads the next FESK2 record and tells whether it is a child of `code`. A
// failed read is captured and reported (kind 35).
NextChild readNextChild(const apprt::FixedString<20>& code) {
  FESK2.next();
  if (apprt::ERRCODE() == apprt::kNoMoreRecords) return NextChild::kNoMore;
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnRetrievalError, kFesk2Label);
    return NextChild::kFailed;
  }
  return sameCode(FESK2.buffer().CODE.view(), code.view()) ? NextChild::kFound : NextChild::kNoMore;
}

// Runs `write` on every child of `parentCode`; a write that fails is captured
// and reported with `failureKind`. Writes do not move the read position, so
// the run continues after the record written.
template <class Write>
int forEachChild(const apprt::FixedString<20>& parentCode, int failureKind, Write write) {
  const apprt::FixedString<20> code = parentCode;  // the buffers change below
  setOnChildrenOf(code);
  for (;;) {
    switch (readNextChild(code)) {
      case NextChild::kNoMore:
        return kWriteDone;
      case NextChild::kFailed:
        return kWriteFailed;
      case NextChild::kFound:
        break;
    }
    write();
    if (apprt::ERRCODE() != apprt::kNoError) {
      SaveFileError();
      ShowWarning(failureKind, kFesk2Label);
      return kWriteFailed;
    }
  }
}

}  // namespace

int CascadeDeleteFesk2() {
  return forEachChild(FESK1.buffer().CODE, kWarnDeleteError, [] { FESK2.remove(); });
}

int CascadeUpdateFesk2() {
  return forEachChild(threadBlock().SavedCode, kWarnUpdateError, [] {
    FESK2.buffer().CODE = FESK1.buffer().CODE;
    FESK2.put();
  });
}

}  // namespace fesk
