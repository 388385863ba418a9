#include "runtime/files/store_loss.h"

#include "runtime/files/errors.h"

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

std::string takeUntoldStoreLoss() {
  std::string words = std::move(tUntold);
  tUntold.clear();
  return words;
}

void storeLossTold() {
  tUntold.clear();
}

DriverStatus lastFileError() {
  return {ERRCODE(), FILEERRORCODE(), FILEERRORMSG()};
}

}  // namespace apprt
