// The PDF writer as a module of its own (fesk-pdf.so), for a program that
// has no desktop front-end: it loads the toolkit only when it writes a PDF.

#include "ui/qt/pdf_file.h"

extern "C" __attribute__((visibility("default"))) void feskWritePdfFile(
    const std::string& path, const apprt::PrintedListHeader& header,
    apprt::PrintedListSource& source) {
  fesk::qt::writePdfFile(path, header, source);
}
