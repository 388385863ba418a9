// The fesk program as a user starts it: the commands that do without the
// windowing toolkit run here, in a program that does not load it; every other
// start is handed to the whole program (program_handover.h).

#include "app/commands.h"
#include "app/program_handover.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    const fesk::Command* command = fesk::findCommand(argv[1]);
    if (command && !command->needsToolkit) return fesk::runCommand(*command, argc, argv);
  }
  return fesk::handOverToWholeProgram(argv);
}
