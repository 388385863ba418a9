#pragma once
// A web session's program: the runtime's procedures run in their threads,
// taking the page's messages from `input` and writing theirs to `output`
// (the pipes to the serve process), one JSON object a line.

#include "runtime/windows/program.h"

namespace fesk::web {

// Runs `firstProcedure` as procedure thread 1 until the program ends; answers
// its exit code. When `input` ends (the session signed out or idle, or the
// serve process gone) the program is closed as the frame's close box would
// close it, its boxes answering their defaults and typing not saved left
// unsaved.
int runSession(apprt::Procedure firstProcedure, int input, int output);

}  // namespace fesk::web
