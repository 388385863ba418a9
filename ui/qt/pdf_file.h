#pragma once
// Printed lists written as PDF files, on the paper of the user's locale, in
// the layout of every printed page (printed_list_painter.h). Callable from
// programs without Qt windows: where there is no Qt application (a command, a
// terminal run), one on the offscreen platform draws the pages meanwhile.

#include <string>

#include "runtime/frontend/printed_list.h"

namespace fesk::qt {

// Writes the list to `path`, complete or not at all (an older file there is
// kept when writing fails). Throws PrintError.
void writePdfFile(const std::string& path, const apprt::PrintedListHeader& header,
                  apprt::PrintedListSource& source);

}  // namespace fesk::qt
