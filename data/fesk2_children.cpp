#include "data/fesk2_children.h"

#include "runtime/files/errors.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {

bool ForEachFesk2Of(std::string_view code, const std::function<bool()>& each) {
  // A copy: `code` may lie in a buffer that `each` changes.
  apprt::FixedString<20> parent;
  parent = code;
  FESK2.clear();
  FESK2.buffer().CODE = parent;
  FESK2.setOnKeyValue(FS2_KEYCODE);
  for (;;) {
    FESK2.next();
    if (apprt::ERRCODE() == apprt::kNoMoreRecords) return true;
    if (apprt::ERRCODE() != apprt::kNoError) return false;
    if (!sameCode(FESK2.buffer().CODE.view(), parent.view()) || !each()) return true;
  }
}

void ShowFesk2ReadFailure() {
  SaveFileError();
  ShowWarning(kWarnRetrievalError, kFesk2Label);
}

}  // namespace fesk
