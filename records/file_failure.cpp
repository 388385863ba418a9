#include "records/file_failure.h"

#include "runtime/files/errors.h"

namespace fesk::records {

std::string fileFailure(std::string_view doing, const apprt::FileDeclaration& file) {
  std::string text = "cannot " + std::string(doing) + " " + file.fileName() + ": " +
                     apprt::ERROR() + " (" + std::to_string(apprt::ERRCODE()) + ")";
  if (const std::string driver = apprt::FILEERRORMSG(); !driver.empty()) text += ": " + driver;
  return text;
}

}  // namespace fesk::records
