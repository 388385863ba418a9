#include "data/open_file_checked.h"

#include <mutex>

#include "runtime/files/driver.h"
#include "runtime/files/driver_options.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_damage.h"
#include "runtime/windows/procedure_thread.h"
#include "runtime/windows/program.h"
#include "warnings/saved_error.h"
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

// A file another program holds is not a faulty file: the user may wait for it
// and try again, or end the program (kind 39).
template <class Attempt>
void waitingForOthers(const apprt::FileDeclaration& file, Attempt attempt) {
  attempt();
  while (apprt::ERRCODE() == apprt::kFileLocked) {
    ShowWarning(kWarnFileInUse, file.fileName());
    attempt();
  }
}

void openWaitingForOthers(const apprt::FileDeclaration& file, int mode) {
  waitingForOthers(file, [&] { file.open(mode); });
}

// Damage met later in a file opened here ends the program as damage met at
// the open does (kind 1), with nothing of the transaction under way written,
// instead of passing for the end of the file. The driver has it checked again
// at the next start, where damaged keys are offered for rebuilding.
void reportDamageMetLater() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    apprt::onFileDamaged([](const apprt::FileDeclaration& file) {
      if (!apprt::currentThread()) return;  // no procedure to show it to
      SaveFileError();
      ShowWarning(kWarnInvalidFile, file.fileName());
    });
  });
}

// A file whose pages are damaged is never mended in place: with the user's
// leave the driver keeps it as it is under a name of its own and saves the
// records that can still be read into a new file, then the user is told how
// many and where the damaged one is. No halts with the file as it was.
void salvageDamagedFile(const apprt::FileDeclaration& file, int mode) {
  ShowWarning(kWarnDamagedFile, file.fileName());
  const std::string report = file.send(apprt::kSalvageOption);
  if (apprt::ERRCODE() != apprt::kNoError) ShowWarning(kWarnInvalidFile, file.fileName());
  ShowWarning(kWarnRecordsSaved, file.fileName(), report);
  openWaitingForOthers(file, mode);
}

}  // namespace

// The warnings name the file by its declared name: asking the runtime for the
// name would clear the error whose description the warning shows.

void OpenFileChecked(const apprt::FileDeclaration& file, int accessMode, bool createAllowed,
                     bool skipMissingCheck, bool shared) {
  const int mode = openMode(accessMode, shared);
  reportDamageMetLater();
  openWaitingForOthers(file, mode);
  if (apprt::ERRCODE() == apprt::kNeedsRecovery) {
    file.send(kRecoverOption);
    openWaitingForOthers(file, mode);
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
      if (apprt::FILEERRORCODE() == apprt::kDamagedDriverCode) {
        salvageDamagedFile(file, mode);
        break;
      }
      ShowWarning(kWarnInvalidFile, file.fileName());
      break;
    case apprt::kKeysInvalid:
      if (ShowWarning(kWarnInvalidKey, file.fileName()) != 0) {
        file.buildKeys();
        if (apprt::ERRCODE() != apprt::kNoError) {
          ShowWarning(kWarnKeyRebuildError, file.fileName());
        }
        openWaitingForOthers(file, mode);
      }
      break;
  }
  if (apprt::ERRCODE() != apprt::kNoError &&
      ShowWarning(kWarnFileAccessError, file.fileName()) != 0) {
    apprt::HALT(0, "Disk Error");
  }
}

void CreateAndOpen(const apprt::FileDeclaration& file, int accessMode, bool, bool, bool shared) {
  waitingForOthers(file, [&] { file.create(); });
  if (apprt::ERRCODE() != apprt::kNoError) {
    ShowWarning(kWarnFileCreationError, file.fileName());
  }
  openWaitingForOthers(file, openMode(accessMode, shared));
  if (!openSucceeded()) ShowWarning(kWarnCreatedFileOpenError, file.fileName());
}

void OpenDataFile(const apprt::FileDeclaration& file) {
  OpenFileChecked(file, 0, true, false, true);
}

}  // namespace fesk
