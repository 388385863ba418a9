#pragma once
// The PDF writer of the command program: the pages are drawn by the toolkit,
// which that program does not load until a PDF is written; the module that
// draws them (ui/qt/pdf_module.cpp) is loaded then, once.

#include <string>

#include "runtime/frontend/printed_list.h"

namespace fesk {

// A PdfWriter (pdf_output.h). Throws PrintError, also when the module cannot
// be loaded.
void writePdfThroughModule(const std::string& path, const apprt::PrintedListHeader& header,
                           apprt::PrintedListSource& source);

}  // namespace fesk
