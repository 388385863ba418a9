#include "app/program_handover.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "app/exit_status.h"

namespace fesk {
namespace {

// The whole program: beside the command program in a build tree, in the
// private program folder when installed (relative to the command's folder).
std::filesystem::path wholeProgram() {
  std::error_code error;
  const std::filesystem::path folder =
      std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  for (const std::filesystem::path& place :
       {folder / "fesk-ui", folder / FESK_WHOLE_PROGRAM_INSTALLED})
    if (access(place.c_str(), X_OK) == 0) return place.lexically_normal();
  return folder / FESK_WHOLE_PROGRAM_INSTALLED;
}

}  // namespace

int handOverToWholeProgram(char** argv) {
  const std::filesystem::path program = wholeProgram();
  execv(program.c_str(), argv);
  const std::string why = std::generic_category().message(errno);
  std::cerr << "fesk: cannot start " << program.string() << ": " << why
            << " (the installation is incomplete)\n";
  return kUsageError;
}

}  // namespace fesk
