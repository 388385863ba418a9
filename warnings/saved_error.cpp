#include "warnings/saved_error.h"

#include <charconv>
#include <string_view>

#include "runtime/files/errors.h"
#include "runtime/files/file_record.h"
#include "runtime/files/file_transaction.h"

namespace fesk {

int SavedErrorCode = 0;
std::string SavedErrorText;
int SavedFileErrorCode = 0;
std::string SavedFileErrorText;

namespace {

std::string withoutTrailingSpaces(std::string_view text) {
  return apprt::trimmedField(text.data(), text.size());
}

std::string cut(std::string_view text, std::size_t limit) {
  return std::string(text.substr(0, apprt::utf8CharactersPrefix(text, limit)));
}

// The driver's code as a number; a code that is no number counts as 0.
int driverCodeNumber(std::string_view code) {
  int number = 0;
  const auto start = code.find_first_not_of(' ');
  if (start != std::string_view::npos) {
    std::from_chars(code.data() + start, code.data() + code.size(), number);
  }
  return number;
}

std::string described(std::string_view text, std::string_view code) {
  return withoutTrailingSpaces(text) + " (" + std::string(code) + ")";
}

}  // namespace

void SaveFileError() {
  SavedErrorCode = apprt::ERRCODE();
  SavedErrorText = cut(apprt::ERROR(), kSavedTextLength);
  SavedFileErrorCode = driverCodeNumber(apprt::FILEERRORCODE());
  SavedFileErrorText = cut(apprt::FILEERRORMSG(), kSavedTextLength);
  apprt::rollbackTransaction();
}

ErrorDescription TakeErrorDescription() {
  ErrorDescription description;
  std::string full;
  if (SavedErrorCode != 0) {
    description.code = SavedErrorCode;
    full = description.code == apprt::kDriverError
               ? described(SavedFileErrorText, std::to_string(SavedFileErrorCode))
               : described(SavedErrorText, std::to_string(SavedErrorCode));
  } else {
    description.code = apprt::ERRCODE();
    full = description.code == apprt::kDriverError
               ? described(apprt::FILEERRORMSG(), withoutTrailingSpaces(apprt::FILEERRORCODE()))
               : described(apprt::ERROR(), std::to_string(description.code));
  }
  description.text = withoutTrailingSpaces(cut(full, kDescriptionLength));
  SavedErrorCode = 0;
  SavedErrorText.clear();
  SavedFileErrorCode = 0;
  SavedFileErrorText.clear();
  return description;
}

}  // namespace fesk
