#pragma once
// The commands that run without a window, `fesk COMMAND [ARGUMENTS]`: each is
// one entry of the table in commands.cpp, with its work in a file of its own.

#include <span>
#include <string_view>

#include "app/commands/argument_reader.h"

namespace fesk {

struct Command {
  std::string_view name;
  // Its usage lines, each starting with "  fesk NAME".
  std::string_view usage;
  // Runs the command on the arguments after its name; answers the exit status.
  int (*run)(ArgumentReader& arguments);
  // Whether its work needs the windowing toolkit (the web server, PDF pages),
  // which the command program does not load: it hands such a command to the
  // whole program (program_handover.h).
  bool needsToolkit = false;
};

std::span<const Command> commands();

// The command named `name`, or nullptr.
const Command* findCommand(std::string_view name);

// Runs `command` on the program's arguments (`fesk NAME ARGUMENTS`).
int runCommand(const Command& command, int argc, char** argv);

}  // namespace fesk
