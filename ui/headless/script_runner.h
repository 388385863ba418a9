#pragma once
// Runs a program headless from a script of gestures, one per line, and writes
// a transcript of what a person would have seen (see SCRIPTS.md for the verbs
// and transcript.h for the format).

#include <istream>
#include <ostream>

#include "runtime/threads/program.h"
#include "ui/headless/session.h"

namespace fesk::headless {

// The exit status of a script that went wrong (an unknown verb, a control
// that is not there, a message box with no answer queued...). The transcript
// names the line and the reason.
inline constexpr int kScriptFailed = 2;

// Starts the program with `firstProcedure` as its first procedure thread,
// carries out every gesture of `script`, then ends the program (closing its
// windows in order) unless the script already did. Answers the program's exit
// code, or kScriptFailed when the script failed. `options.idleTimeout` also
// bounds how long `window` waits for its window to open.
int runScript(std::istream& script, apprt::Procedure firstProcedure, std::ostream& transcript,
              const SessionOptions& options = {});

}  // namespace fesk::headless
