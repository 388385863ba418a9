#pragma once
// The FESK2 records filed under one FESK1 code, walked once in FS2:KEYCODE
// order: by the cascades of the write routines, the printed list and the
// history window alike.

#include <functional>
#include <string_view>

#include "data/data_files.h"

namespace fesk {

// Calls `each` with FESK2's buffer holding every FESK2 record whose code is
// `code` as the key compares codes (without regard to letter case), in
// FS2:KEYCODE order; `each` answering false stops the walk. A write by `each`
// does not move the read position, so the walk continues after the record
// written. FESK2 must be open in this thread; its buffer is left holding the
// last record read. False, with the thread's error set, when a read failed.
bool ForEachFesk2Of(std::string_view code, const std::function<bool()>& each);

// Tells the user that reading FESK2 failed (kind 35), keeping the error for
// the warning: what the desktop routines do when ForEachFesk2Of answers false.
void ShowFesk2ReadFailure();

}  // namespace fesk
