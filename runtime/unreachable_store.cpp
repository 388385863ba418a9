#include "runtime/unreachable_store.h"

#include "runtime/constants.h"
#include "runtime/windows.h"

namespace apprt {
namespace {

thread_local bool tLost = false;
thread_local std::string tUntold;  // the driver's message of a loss not told yet

}  // namespace

void watchForUnreachableStore(const DriverStatus& status) {
  if (status.code == kDriverError && status.driverCode == kUnreachableDriverCode) {
    if (!tLost) tUntold = status.driverMessage;
    tLost = true;
  } else if (status.code != kDriverError) {
    tLost = false;
    tUntold.clear();
  }
}

void tellUnreachableStore() {
  if (tUntold.empty()) return;
  const std::string text = std::move(tUntold);
  tUntold.clear();
  messageBox(text + ".\n\nNothing is saved until it can be reached again.",
             "Database Server Unavailable", Icon::Warning, kButtonOk, kButtonOk);
}

}  // namespace apprt
