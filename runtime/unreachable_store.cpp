#include "runtime/unreachable_store.h"

#include <string_view>

#include "runtime/constants.h"
#include "runtime/errors.h"
#include "runtime/windows.h"

namespace apprt {
namespace {

thread_local bool tLost = false;
thread_local std::string tUntold;  // the driver's message of a loss not told yet

constexpr const char* kUnreachableTitle = "Database Server Unavailable";

int showLoss(const std::string& driverMessage, int buttons, int defaultButton) {
  return messageBox(
      asSentence(driverMessage) + "\n\nNothing is saved until it can be reached again.",
      kUnreachableTitle, Icon::Warning, buttons, defaultButton);
}

}  // namespace

std::string asSentence(std::string words) {
  if (!words.empty() && std::string_view(".?!").find(words.back()) == std::string_view::npos) {
    words += '.';
  }
  return words;
}

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
  showLoss(text, kButtonOk, kButtonOk);
}

DriverStatus lastFileError() {
  return {ERRCODE(), FILEERRORCODE(), FILEERRORMSG()};
}

int tellDriverTrouble(const DriverStatus& trouble, int buttons, int defaultButton) {
  if (trouble.driverCode == kUnreachableDriverCode) {
    tUntold.clear();
    return showLoss(trouble.driverMessage, buttons, defaultButton);
  }
  const std::string message =
      trouble.driverMessage.empty() ? errorText(trouble.code) : trouble.driverMessage;
  return messageBox(message, "Database Error", Icon::Warning, buttons, defaultButton);
}

void driverTroubleTold() {
  tUntold.clear();
}

void tellDriverTroubleOnce(const DriverStatus& trouble) {
  if (trouble.driverCode == kUnreachableDriverCode) {
    tellUnreachableStore();
  } else {
    tellDriverTrouble(trouble, kButtonOk, kButtonOk);
  }
}

}  // namespace apprt
