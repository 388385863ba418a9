#pragma once
// The desktop program: a Qt application around a program run.

#include <functional>
#include <string>

#include "runtime/threads/program.h"

namespace fesk::qt {

class Desktop;

// Why no window can be shown here (no display for the chosen Qt platform),
// as one line for the user; "" when the desktop can start.
std::string missingDisplay(int argc, char** argv);

// Called on the GUI thread once the program has started (screenshots and
// other drivers use it to act as a user would).
using StartedHook = std::function<void(Desktop&, apprt::ProgramRun&)>;

// Creates the application, runs `firstProcedure` as procedure thread 1 and the
// Qt event loop until the program ends; answers the program's exit code.
// Without a display it says so on stderr and answers 2 without starting.
// `dataSet` names the data set worked on, for the status bar.
int run(int& argc, char** argv, apprt::Procedure firstProcedure, StartedHook started = {},
        const std::string& dataSet = {});

}  // namespace fesk::qt
