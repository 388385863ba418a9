#pragma once
// The program's data set at start-up. Options that are wrong end the program
// before it shows anything, with the reason on standard error, as a command
// ends. A data set that cannot be used just now (a server that does not
// answer, a restore under way) is told in a window instead: someone who
// started fesk from the desktop's menu never sees standard error, and may
// well want to try again once the server is back.

#include <string>

#include "app/data_sets/data_set.h"

namespace fesk {

// Before the front-end starts: makes what `options` choose the program's data
// set (useDataSet). Answers kDone; kUsageError, with the reason in `why`, for
// options or a data set that are wrong; kCommandFailed, with the reason in
// `why`, when it cannot be used now: the program then asks (AwaitDataSet).
int chooseProgramDataSet(const DataSetOptions& options, std::string& why);

// In the program's first procedure, before its frame opens: while the data set
// cannot be used, shows why with Retry and Quit (the default). Retry tries again; Quit ends
// the program with kUsageError, the status of a program that could not start.
void AwaitDataSet();

}  // namespace fesk
