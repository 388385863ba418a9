#pragma once
// The program on a text terminal: the runtime's procedures run in their
// threads while the terminal's thread shows their windows and takes input.

#include "runtime/threads/program.h"

namespace fesk::tui {

// Runs `firstProcedure` as procedure thread 1 on this terminal until the
// program ends; answers its exit code. Without a terminal it says why on
// stderr and answers 2 without starting.
int run(apprt::Procedure firstProcedure);

}  // namespace fesk::tui
