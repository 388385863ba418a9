#pragma once
// Printed lists as PDF files. The pages are drawn by the desktop's toolkit,
// which a build may lack and which the program's own layers never see: the
// program installs the writer it was built with when it starts.

#include <string>

#include "runtime/frontend/printed_list.h"

namespace fesk {

using PdfWriter = void (*)(const std::string& path, const apprt::PrintedListHeader& header,
                           apprt::PrintedListSource& source);

void installPdfWriter(PdfWriter writer);

// Writes the list to `path`, complete or not at all. Throws PrintError, also
// when this build cannot write PDF files.
void writePdf(const std::string& path, const apprt::PrintedListHeader& header,
              apprt::PrintedListSource& source);

}  // namespace fesk
