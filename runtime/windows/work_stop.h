#pragma once
// Esc stops long work. While a procedure thread is at work reported to the
// user (progress.h) it reads no input, so an Esc typed in one of its windows
// before the report has shown (or in a front-end whose report takes no keys)
// would wait until the work ended: it asks the work to stop instead, and is
// not queued for the window. Internal to runtime/.

#include "runtime/frontend/input.h"

namespace apprt {

// From the front-end's thread: true when `input` was an Esc taken as the
// stop of the work of the thread that owns its window.
bool stopWorkByKey(const Input& input);

// From a procedure thread: its reported work begins, and ends; and whether
// an Esc asked it to stop since it began.
void workBegins();
void workEnds();
bool workStopTyped();

}  // namespace apprt
