#pragma once
// A web session's program: the runtime's procedures run in their threads,
// taking the page's messages from `input` and writing theirs to `output`
// (the pipes to the serve process), one JSON object a line.

#include "runtime/threads/program.h"

namespace fesk::web {

// The environment variable that names, to a session's program, the directory
// where the files it writes for the page go (the serve process serves them
// from there to that session's page alone, and removes them with the session).
inline constexpr char kSessionFilesVariable[] = "FESK_SESSION_FILES";

// Runs `firstProcedure` as procedure thread 1 until the program ends; answers
// its exit code. When `input` ends (the session signed out or idle, or the
// serve process gone) the program is closed as the frame's close box would
// close it, its boxes answering their defaults and typing not saved left
// unsaved.
int runSession(apprt::Procedure firstProcedure, int input, int output);

}  // namespace fesk::web
