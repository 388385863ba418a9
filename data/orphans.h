#pragma once
// FESK2 records and the FESK1 records they belong to. The write routines
// store no FESK2 record without its FESK1 record; a data set written by an
// older fesk, or by another tool, may still hold such orphans, and the check
// of a data set finds them here without changing anything.

#include <functional>

#include "data/data_files.h"

namespace fesk {

// Whether an FESK1 record has `code` (as FES:KEYCODE compares codes). The
// FESK1 buffer, current record and position are left as they are. FESK1 must
// be open in this thread; a failed look-up answers false with the thread's
// error set.
bool Fesk1HasCode(const apprt::FixedString<20>& code);

// Calls `orphan` with every FESK2 record whose code no FESK1 record has, in
// FS2:KEYCODE order. FESK2 must be open in this thread; FESK1 too unless
// `fesk1Exists` is false, when every FESK2 record is one. False, with the
// thread's error set, when a read failed.
bool ForEachOrphanFesk2(bool fesk1Exists, const std::function<void(const Fesk2Record&)>& orphan);

}  // namespace fesk
