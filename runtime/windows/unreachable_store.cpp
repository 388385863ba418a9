#include "runtime/windows/unreachable_store.h"

#include <string_view>

#include "runtime/files/errors.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/windows.h"

namespace apprt {
namespace {

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

void tellUnreachableStore() {
  const std::string text = takeUntoldStoreLoss();
  if (!text.empty()) showLoss(text, kButtonOk, kButtonOk);
}

int tellDriverTrouble(const DriverStatus& trouble, int buttons, int defaultButton) {
  if (trouble.driverCode == kUnreachableDriverCode) {
    storeLossTold();
    return showLoss(trouble.driverMessage, buttons, defaultButton);
  }
  const std::string message =
      trouble.driverMessage.empty() ? errorText(trouble.code) : trouble.driverMessage;
  return messageBox(message, "Database Error", Icon::Warning, buttons, defaultButton);
}

void tellDriverTroubleOnce(const DriverStatus& trouble) {
  if (trouble.driverCode == kUnreachableDriverCode) {
    tellUnreachableStore();
  } else {
    tellDriverTrouble(trouble, kButtonOk, kButtonOk);
  }
}

}  // namespace apprt
