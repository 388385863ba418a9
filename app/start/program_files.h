#pragma once
// The files that make fesk besides the command program (program_handover.h):
// beside it in a build tree, in their installed places otherwise.

#include <filesystem>

namespace fesk {

// The whole program, `fesk-ui`.
std::filesystem::path wholeProgramFile();

// The module that draws PDF pages (pdf_module.h), `fesk-pdf.so`.
std::filesystem::path pdfModuleFile();

}  // namespace fesk
