#include "app/start/program_start.h"

#include <fstream>
#include <iostream>

#include "app/commands/exit_status.h"
#include "app/data_sets/data_set_at_startup.h"
#include "app/start/program_entry.h"
#include "ui/headless/script_runner.h"

namespace fesk {

int chooseStartingDataSet(const ProgramOptions& options) {
  std::string why;
  if (chooseProgramDataSet(options.dataSet, why) == kUsageError) {
    std::cerr << "fesk: " << why << "\n";
    return kUsageError;
  }
  return kDone;
}

int runScriptedProgram(const ProgramOptions& options) {
  std::ifstream script(*options.script);
  if (!script) {
    std::cerr << "fesk: cannot read the script " << *options.script << "\n";
    return kUsageError;
  }
  return ProgramEntry([&](apprt::Procedure first) {
    return headless::runScript(script, std::move(first), std::cout);
  });
}

}  // namespace fesk
