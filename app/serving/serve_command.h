#pragma once
// The serve command's work is the web front-end's, built on the toolkit that
// the command program does not load: the whole program installs it when it
// starts, as it installs its PDF writer (pdf_output.h).

#include "app/commands/argument_reader.h"

namespace fesk {

using ServeRunner = int (*)(ArgumentReader& arguments);

void installServeRunner(ServeRunner runner);

}  // namespace fesk
