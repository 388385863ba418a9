#include "data/open_file_checked.h"

#include <mutex>

#include "runtime/files/driver.h"
#include "runtime/files/driver_options.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_damage.h"
#include "runtime/threads/procedure_thread.h"
#include "runtime/threads/program.h"
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

// A file whose pages are damaged is never mended in place: with the user's
// leave the driver keeps it as it is under a name of its own and saves the
// records that can still be read into a new file, then the user is told how
// many, how many were lost and where the damaged one is. No halts with the
// file as it was.
void salvageDamagedFile(const apprt::FileDeclaration& file) {
  ShowWarning(kWarnDamagedFile, file.fileName());
  const std::string report = file.send(apprt::kSalvageOption);
  if (apprt::ERRCODE() != apprt::kNoError) ShowWarning(kWarnInvalidFile, file.fileName());
  ShowWarning(kWarnRecordsSaved, file.fileName(), report);
}

bool tableDamaged() {
  return apprt::ERRCODE() == apprt::kFileInvalid &&
         apprt::FILEERRORCODE() == apprt::kDamagedDriverCode;
}

// Damage met later in a file opened here (by a read, a write, a cascade, or
// the check after an unclean end) ends where damage met at the open ends,
// with nothing of the transaction under way written: a damaged table gets the
// question whether to save its records (kind 40), asked over the window as
// the user left it, so that what was typed stays in view until then; damaged
// keys, which a file still open cannot have rebuilt, end the program with
// kind 1. The driver has the file checked at the next open either way, where
// the keys are offered for rebuilding. The program ends after a salvage too:
// its windows show the damaged file, which is no longer the file.
void reportDamageMetLater() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    apprt::onFileDamaged([](const apprt::FileDeclaration& file) {
      if (!apprt::currentThread()) return;  // no procedure to show it to
      const bool salvageable = tableDamaged();
      SaveFileError();
      if (!salvageable) ShowWarning(kWarnInvalidFile, file.fileName());
      salvageDamagedFile(file);
      apprt::HALT(0, kDamagedFileHalt);
    });
  });
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
      if (tableDamaged()) {
        salvageDamagedFile(file);
        openWaitingForOthers(file, mode);
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
