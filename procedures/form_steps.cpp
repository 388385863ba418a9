#include "procedures/form_completion.h"

#include "data/record_writes.h"
#include "data/thread_block.h"
#include "runtime/windows.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

// Runs a write with the busy cursor shown.
int whileBusy(const std::function<int()>& write) {
  apprt::setBusyCursor(true);
  const int result = write();
  apprt::setBusyCursor(false);
  return result;
}

}  // namespace

std::string RequestTitle(std::int32_t request, const std::string& fileLabel) {
  switch (request) {
    case kInsertRequest:
      return "Adding a " + fileLabel + " Record";
    case kChangeRequest:
      return "Changing a " + fileLabel + " Record";
    default:
      return "";
  }
}

void DiscardPendingRightClick() {
  if (apprt::KEYCODE() == apprt::kKeyMouseRight) apprt::SETKEYCODE(0);
}

void BeepAndRefocus() {
  apprt::beep();
  apprt::DISPLAY(apprt::FIELD());
  apprt::SELECT(apprt::FIELD());
}

void AskForCompletion(std::int32_t request) {
  if (request == kInsertRequest || request == kChangeRequest)
    apprt::SELECT(0);
  else
    apprt::POST(apprt::kEventCompleted);
}

bool ConfirmAndDelete(const std::function<int()>& deleteRecord) {
  if (ShowWarning(kWarnConfirmDelete) != apprt::kButtonOk) return false;
  for (;;) {
    if (whileBusy(deleteRecord) == kWriteDone) return true;
    if (ShowWarning(kWarnRetryDelete) != apprt::kButtonYes) return false;
  }
}

std::int32_t SaveChange(const std::function<bool()>& recordChanged,
                        const std::function<int()>& writeRecord, int focusField) {
  for (;;) {
    bool changed = false;
    const int result = whileBusy([&] {
      changed = recordChanged();
      return changed ? writeRecord() : kWriteDone;
    });
    if (result == kWriteDone) {
      apprt::POST(apprt::kEventCloseWindow);
      return changed || threadBlock().CancelIfUnchanged == 0 ? 1 : 2;
    }
    if (result == kWriteFailed) {
      const int answer = ShowWarning(kWarnRetryUpdate);
      if (answer == apprt::kButtonYes) continue;
      if (answer == apprt::kButtonNo) {
        apprt::POST(apprt::kEventCloseWindow);
        return 2;
      }
      if (answer != apprt::kButtonCancel) return 2;
    }
    // The form stays open: after a change by another station it shows the
    // version now stored.
    apprt::DISPLAY();
    apprt::SELECT(focusField);
    return 2;
  }
}

}  // namespace fesk
