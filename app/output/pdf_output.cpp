#include "app/output/pdf_output.h"

#include <atomic>

namespace fesk {
namespace {

std::atomic<PdfWriter> gWriter{nullptr};

}  // namespace

void installPdfWriter(PdfWriter writer) {
  gWriter = writer;
}

void writePdf(const std::string& path, const apprt::PrintedListHeader& header,
              apprt::PrintedListSource& source) {
  const PdfWriter writer = gWriter;
  if (!writer)
    throw apprt::PrintError(
        "this build of fesk cannot write PDF files (it was built without Qt 6)");
  writer(path, header, source);
}

}  // namespace fesk
