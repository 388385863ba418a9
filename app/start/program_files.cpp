#include "app/start/program_files.h"

#include <unistd.h>

#include <string_view>
#include <system_error>

namespace fesk {
namespace {

// `name` beside the running program when it is there (a build tree), else
// `installed` (relative to the running program's folder).
std::filesystem::path companion(std::string_view name, std::string_view installed) {
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  if (std::filesystem::path beside = folder / name; access(beside.c_str(), F_OK) == 0)
    return beside;
  return (folder / installed).lexically_normal();
}

}  // namespace

std::filesystem::path wholeProgramFile() {
  return companion("fesk-ui", FESK_WHOLE_PROGRAM_INSTALLED);
}

std::filesystem::path pdfModuleFile() {
  return companion("fesk-pdf.so", FESK_PDF_MODULE_INSTALLED);
}

}  // namespace fesk
