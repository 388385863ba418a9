#pragma once
// Program start-up: the start-up table, the version check, the main procedure
// and the start-up routines that prepare each process.

#include <functional>

#include "runtime/threads/program.h"

namespace fesk {

// Runs `first` as the program's first procedure on the chosen front-end and
// answers the exit code when the program has ended.
using FrontEndRunner = std::function<int(apprt::Procedure first)>;

// The program's entry: hands the start-up table to the runtime, checks its
// version and runs MainProcedure on the front-end. Answers the exit code.
int ProgramEntry(const FrontEndRunner& runOnFrontEnd);

// Runs the application: returns when the frame has closed.
void MainProcedure();

// Start-up routines: act only for code 0.
void InitSavedCode(int code);
void InitModule(int code);

}  // namespace fesk
