#pragma once
// A store that the driver cannot reach (a database server that is down or cut
// off) is told to the user once per loss, and at a safe moment: when the thread
// next waits for input, not in the middle of the work that met it, where a
// read that fails only ends a page early. The first driver answer that
// succeeds again ends the loss. Work that must not go on as if nothing
// happened (a record to be changed that cannot be read) tells it at once
// instead, and that telling is the one of the loss.

#include <string>

#include "runtime/files/store_loss.h"

namespace apprt {

// A driver's words as a sentence of a message: a full stop added unless they
// end in one, or in a question or an exclamation mark (libpq asks "Is the
// server running...?").
std::string asSentence(std::string words);

// Before the thread waits for input: shows the message of a loss not told yet.
void tellUnreachableStore();

// Shows a driver's error (a 90) now, with `buttons` and `defaultButton`, and
// answers the button pressed. For a store that cannot be reached the box is
// the one of the loss, which is then told.
int tellDriverTrouble(const DriverStatus& trouble, int buttons, int defaultButton);
// The same with OK alone, where a loss told already needs no second box.
void tellDriverTroubleOnce(const DriverStatus& trouble);

}  // namespace apprt
