#pragma once
// The commands that run without a window, `fesk COMMAND [ARGUMENTS]`: each is
// one entry of the table in commands.cpp, with its work in a file of its own.

#include <span>
#include <string_view>

#include "app/argument_reader.h"

namespace fesk {

struct Command {
  std::string_view name;
  // Its usage lines, each starting with "  fesk NAME".
  std::string_view usage;
  // Runs the command on the arguments after its name; answers the exit status.
  int (*run)(ArgumentReader& arguments);
};

std::span<const Command> commands();

// The command named `name`, or nullptr.
const Command* findCommand(std::string_view name);

}  // namespace fesk
