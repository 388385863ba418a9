#include "runtime/files/errors.h"

#include <utility>

namespace apprt {
namespace {

struct ErrorState {
  int code = kNoError;
  std::string driverCode;
  std::string driverMessage;
};

thread_local ErrorState tError;

}  // namespace

std::string errorText(int code) {
  switch (code) {
    case kNoError:
      return "No Error";
    case kFileNotFound:
      return "File Not Found";
    case kAccessDenied:
      return "Access Denied";
    case kEntryNotFound:
      return "Entry Not Found";
    case kNeedsRecovery:
      return "File Needs Recovery";
    case kNoMoreRecords:
      return "No More Records Available";
    case kRecordNotFound:
      return "Record Not Found";
    case kFileNotOpen:
      return "File Not Open";
    case kDuplicateKey:
      return "Creates Duplicate Key";
    case kKeysInvalid:
      return "Invalid Key File";
    case kFileInvalid:
      return "Invalid Data File";
    case kAlreadyOpen:
      return "File Already Open";
    case kChangedByOtherStation:
      return "Record Changed By Another Station";
    case kDriverError:
      return "File Driver Error";
    case kFileLocked:
      return "File Locked By Another Program";
    default:
      return "Unknown Error";
  }
}

int ERRCODE() {
  return tError.code;
}
std::string ERROR() {
  return errorText(tError.code);
}
std::string FILEERRORCODE() {
  return tError.driverCode;
}
std::string FILEERRORMSG() {
  return tError.driverMessage;
}

void setError(int code, std::string driverCode, std::string driverMessage) {
  tError.code = code;
  tError.driverCode = std::move(driverCode);
  tError.driverMessage = std::move(driverMessage);
}

void clearError() {
  tError = ErrorState{};
}

}  // namespace apprt
