#include "records/file_use.h"

#include "records/file_failure.h"
#include "runtime/files/errors.h"

namespace fesk::records {

FileUse::FileUse(const apprt::FileDeclaration& file, int mode, WhenMissing whenMissing)
    : file_(file) {
  if (file.isOpen()) return;
  file.open(mode);
  if (apprt::ERRCODE() == apprt::kFileNotFound && whenMissing == WhenMissing::kCreate) {
    file.create();
    if (apprt::ERRCODE() != apprt::kNoError) {
      failure_ = fileFailure("create", file);
      return;
    }
    file.open(mode);
  }
  if (apprt::ERRCODE() == apprt::kFileNotFound) {
    missing_ = true;
  } else if (apprt::ERRCODE() != apprt::kNoError) {
    failure_ = fileFailure("open", file);
  } else {
    openedHere_ = true;
  }
}

FileUse::~FileUse() {
  if (openedHere_) file_.close();
}

}  // namespace fesk::records
