#pragma once
// `fesk report --pdf PATH [--order code|name]`: the printed list of the
// records as a PDF file, written without a window.

#include <string_view>

#include "app/argument_reader.h"

namespace fesk {

inline constexpr std::string_view kReportUsage =
    "  fesk report --pdf PATH [--order code|name]\n"
    "                     prints fesk1 (in code order unless told) with each record's\n"
    "                     fesk2 numbers under it, as a PDF file on the locale's paper\n";

int runReportCommand(ArgumentReader& arguments);

}  // namespace fesk
