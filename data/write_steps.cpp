#include "data/write_steps.h"

#include "data/record_writes.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {

bool beginWrite(std::string_view action, std::string_view label,
                std::initializer_list<const apprt::FileDeclaration*> files) {
  apprt::beginTransaction(kTransactionTimeout, files);
  if (apprt::ERRCODE() == apprt::kNoError) return true;
  SaveFileError();
  ShowWarning(kWarnFramingError, action, label);
  return false;
}

bool commitWrite(int kind, std::string_view label) {
  apprt::commitTransaction();
  if (apprt::ERRCODE() == apprt::kNoError) return true;
  SaveFileError();
  ShowWarning(kind, label);
  return false;
}

int endFailedPut(const apprt::FileDeclaration& file, const std::string& position,
                 bool showRecallHint, std::string_view label) {
  SaveFileError();
  if (SavedErrorCode != apprt::kChangedByOtherStation) {
    ShowWarning(kWarnUpdateError, label);
    return kWriteFailed;
  }
  if (showRecallHint) {
    ShowWarning(kWarnRecordNotUpdated);
  } else {
    ShowWarning(kWarnUpdateError, "Record Changed by Another Station");
  }
  file.watch();
  file.reget(position);
  return kWriteChangedElsewhere;
}

bool regetForDelete(const apprt::FileDeclaration& file, const std::string& position,
                    std::string_view label) {
  file.reget(position);
  if (apprt::ERRCODE() == apprt::kNoError) return true;
  SaveFileError();
  ShowWarning(kWarnRetrievalError, label);
  return false;
}

}  // namespace fesk
