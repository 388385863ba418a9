// The fesk program as a user starts it: the commands that do without the
// windowing toolkit, and a scripted run on the headless front-end, run here
// in a program that does not load it (PDF pages load it when written: a
// module); every other start is handed to the whole program
// (program_handover.h).

#include <iostream>

#include "app/commands/commands.h"
#include "app/commands/exit_status.h"
#include "app/output/pdf_module.h"
#include "app/output/pdf_output.h"
#include "app/start/program_handover.h"
#include "app/start/program_options.h"
#include "app/start/program_start.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    if (const fesk::Command* command = fesk::findCommand(argv[1]))
      return command->needsToolkit ? fesk::handOverToWholeProgram(argv)
                                   : fesk::runCommand(*command, argc, argv);
  }
  fesk::ProgramOptions options;
  fesk::ArgumentReader arguments({argv + 1, argv + argc});
  // A start that names no front-end is handed over with the desktop's name:
  // the whole program picks the desktop or the terminal itself.
  if (auto exitCode = fesk::readProgramOptions(
          arguments, options, [] { return std::string("qt"); }, std::cout, std::cerr)) {
    return *exitCode;
  }
  if (options.ui != "headless") return fesk::handOverToWholeProgram(argv);
  fesk::installPdfWriter(fesk::writePdfThroughModule);
  if (const int status = fesk::chooseStartingDataSet(options); status != fesk::kDone) return status;
  return fesk::runScriptedProgram(options);
}
