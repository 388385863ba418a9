#include "app/start/program_handover.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "app/commands/exit_status.h"
#include "app/start/program_files.h"

namespace fesk {

int handOverToWholeProgram(char** argv) {
  const std::filesystem::path program = wholeProgramFile();
  execv(program.c_str(), argv);
  const std::string why = std::generic_category().message(errno);
  std::cerr << "fesk: cannot start " << program.string() << ": " << why
            << " (the installation is incomplete)\n";
  return kUsageError;
}

}  // namespace fesk
