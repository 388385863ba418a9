#pragma once
// What a start of the program does once its options are read, in either of
// its two executables (program_handover.h): the data set chosen, and a
// scripted run on the headless front-end.

#include "app/start/program_options.h"

namespace fesk {

// Chooses the data set of the options. kDone when the program goes on (also
// when the data set cannot be used just now: the program's window asks,
// data_set_at_startup.h); kUsageError, the reason said, for wrong options.
int chooseStartingDataSet(const ProgramOptions& options);

// Runs the script of a headless start (--ui=headless --script FILE), the
// transcript on standard output; answers the exit status.
int runScriptedProgram(const ProgramOptions& options);

}  // namespace fesk
