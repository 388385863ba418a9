#pragma once
// `fesk report --pdf PATH [--order code|name]`: the printed list of the
// records as a PDF file, written without a window.

#include "app/commands/commands.h"

namespace fesk {

extern const Command kReportCommand;

}  // namespace fesk
