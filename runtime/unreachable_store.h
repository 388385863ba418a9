#pragma once
// A store that the driver cannot reach (a database server that is down or cut
// off) is told to the user once per loss, and at a safe moment: when the thread
// next waits for input, not in the middle of the work that met it, where a
// read that fails only ends a page early. The first driver answer that
// succeeds again ends the loss.

#include <string>

#include "runtime/driver.h"

namespace apprt {

// Called with every driver answer of the thread.
void watchForUnreachableStore(const DriverStatus& status);

// Before the thread waits for input: shows the message of a loss not told yet.
void tellUnreachableStore();

}  // namespace apprt
