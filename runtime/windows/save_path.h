#pragma once
// Asks the user for a file to write: the desktop's save dialog, a prompt on a
// terminal.

#include <optional>
#include <string>

#include "runtime/frontend/frontend.h"

namespace apprt {

// Waits for the answer; nothing when the user cancelled. The request's
// window is the calling thread's newest open window.
std::optional<std::string> askSavePath(SavePathRequest request);

// The file at `path`, answered by askSavePath, is written whole: the front-end
// offers it to a user who is not on this machine.
void fileWritten(const std::string& path);

}  // namespace apprt
