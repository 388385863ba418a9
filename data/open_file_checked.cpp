#include "data/open_file_checked.h"

#include "runtime/errors.h"
#include "runtime/program.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

int openMode(int accessMode, bool shared) {
  return shared ? apprt::kOpenSharedReadWrite : accessMode;
}

bool openSucceeded() {
  const int code = apprt::ERRCODE();
  return code == apprt::kNoError || code == apprt::kAlreadyOpen;
}

}  // namespace

// The warnings name the file by its declared name: asking the runtime for the
// name would clear the error whose description the warning shows.

void OpenFileChecked(const apprt::FileDeclaration& file, int accessMode, bool createAllowed,
                     bool skipMissingCheck, bool shared) {
  const int mode = openMode(accessMode, shared);
  file.open(mode);
  if (apprt::ERRCODE() == apprt::kNeedsRecovery) {
    file.send(kRecoverOption);
    file.open(mode);
  }
  if (openSucceeded()) return;
  switch (apprt::ERRCODE()) {
    case apprt::kFileNotFound:
      if (skipMissingCheck) break;
      if (createAllowed) {
        CreateAndOpen(file, accessMode, createAllowed, skipMissingCheck, shared);
        return;
      }
      ShowWarning(kWarnFileCreationError, file.fileName());
      break;
    case apprt::kFileInvalid:
      ShowWarning(kWarnInvalidFile, file.fileName());
      break;
    case apprt::kKeysInvalid:
      if (ShowWarning(kWarnInvalidKey, file.fileName()) != 0) {
        file.buildKeys();
        if (apprt::ERRCODE() != apprt::kNoError) {
          ShowWarning(kWarnKeyRebuildError, file.fileName());
        }
        file.open(mode);
      }
      break;
  }
  if (apprt::ERRCODE() != apprt::kNoError &&
      ShowWarning(kWarnFileAccessError, file.fileName()) != 0) {
    apprt::HALT(0, "Disk Error");
  }
}

void CreateAndOpen(const apprt::FileDeclaration& file, int accessMode, bool, bool, bool shared) {
  file.create();
  if (apprt::ERRCODE() != apprt::kNoError) {
    ShowWarning(kWarnFileCreationError, file.fileName());
  }
  file.open(openMode(accessMode, shared));
  if (!openSucceeded()) ShowWarning(kWarnCreatedFileOpenError, file.fileName());
}

void OpenDataFile(const apprt::FileDeclaration& file) {
  OpenFileChecked(file, 0, true, false, true);
}

}  // namespace fesk
