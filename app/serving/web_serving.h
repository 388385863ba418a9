#pragma once
// fesk serve on the web front-end, which is built on the toolkit: the whole
// program installs it as the serve command's work (serve_command.h).

#include "app/commands/argument_reader.h"

namespace fesk {

// Runs `fesk serve` on the arguments after its name; answers the exit status.
int serveOnWeb(ArgumentReader& arguments);

}  // namespace fesk
