#pragma once
// Whether the thread's store (a database server) can be reached, as its
// driver's answers tell: a loss begins with the first answer that it cannot be
// reached and ends with the first that succeeds. The file layer watches every
// answer; the window layer tells the user (runtime/windows/unreachable_store.h).

#include <string>

#include "runtime/files/driver.h"

namespace apprt {

// Called with every driver answer of the thread.
void watchForUnreachableStore(const DriverStatus& status);

// The driver's words of a loss not told yet ("" when none); the loss counts
// as told from then on.
std::string takeUntoldStoreLoss();

// The loss was told some other way (a warning of the program's own showed the
// driver's words for the thread's last failure): nothing is left to tell.
void storeLossTold();

// The error of the thread's last file operation, to be told after other
// runtime calls that clear it.
DriverStatus lastFileError();

}  // namespace apprt
