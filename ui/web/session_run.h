#pragma once
// A web session's program: the runtime's procedures run in their threads,
// taking the page's messages from `input` and writing theirs to `output`
// (the pipes to the serve process), one JSON object a line.

#include "runtime/windows/program.h"

namespace fesk::web {

// Runs `firstProcedure` as procedure thread 1 until the program ends; answers
// its exit code. When `input` ends (the page or the serve process is gone)
// the program is closed as the frame's close box would close it, its boxes
// answering their defaults.
int runSession(apprt::Procedure firstProcedure, int input, int output);

}  // namespace fesk::web
