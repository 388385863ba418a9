#pragma once
// A web session's program: the runtime's procedures run in their threads,
// taking the page's messages from `input` and writing theirs to `output`
// (the pipes to the serve process), one JSON object a line.

#include <QByteArray>

#include "runtime/files/data_set_kind.h"
#include "runtime/threads/program.h"

namespace fesk::web {

// The environment variable that names, to a session's program, the directory
// where the files it writes for the page go (the serve process serves them
// from there to that session's page alone, and removes them with the session).
inline constexpr char kSessionFilesVariable[] = "FESK_SESSION_FILES";

// A session's program is started before anyone signs in (so that its start
// is done when someone does), and told whose session it is by the first line
// it reads: the variables of its environment that the sign-in sets (or, with
// no value, removes). The line, as the serve process writes it.
QByteArray sessionIdentityLine(const apprt::SignInCheck::Environment& environment);
// Reads that line from `input` (no further) and sets the environment by it;
// false when the input ended first (nobody signed in) or the line is no such
// line.
bool takeSessionIdentity(int input);

// Runs `firstProcedure` as procedure thread 1 until the program ends; answers
// its exit code. When `input` ends (the session signed out or idle, or the
// serve process gone) the program is closed as the frame's close box would
// close it, its boxes answering their defaults and typing not saved left
// unsaved.
int runSession(apprt::Procedure firstProcedure, int input, int output);

}  // namespace fesk::web
