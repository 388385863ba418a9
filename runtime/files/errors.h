#pragma once
// The runtime's error state: the outcome of the thread's last runtime operation
// (file, queue, window). Every operation that can fail sets it; success clears it.
// Each thread has its own state, so one thread's failure never shows in another.

#include <string>

namespace apprt {

enum ErrorCode : int {
  kNoError = 0,
  kFileNotFound = 2,
  kAccessDenied = 5,    // a write to a file opened for reading only
  kEntryNotFound = 30,  // queue look-up by key or position found nothing
  kNeedsRecovery = 32,
  kNoMoreRecords = 33,
  kRecordNotFound = 35,
  kDuplicateKey = 40,
  kKeysInvalid = 46,
  kFileInvalid = 47,
  kAlreadyOpen = 52,
  kFileNotOpen = 37,
  kChangedByOtherStation = 89,
  kDriverError = 90,
  kFileLocked = 91,  // another program holds the file longer than the open waits
};

// The one text of each code (for example "Record Not Found" for 35).
std::string errorText(int code);

// Readers of the current thread's error state.
int ERRCODE();
std::string ERROR();          // errorText(ERRCODE())
std::string FILEERRORCODE();  // the driver's own code, as text ("" when none)
std::string FILEERRORMSG();   // the driver's own message ("" when none)

// Writers, used by the runtime's operations.
void setError(int code, std::string driverCode = {}, std::string driverMessage = {});
void clearError();

}  // namespace apprt
