#include "app/commands.h"

#include <algorithm>
#include <array>

#include "app/copy_command.h"

namespace fesk {
namespace {

// Every command, in the order --help lists them.
const std::array<Command, 1> kCommands{{
    {"copy", kCopyUsage, runCopy},
}};

}  // namespace

std::span<const Command> commands() {
  return kCommands;
}

const Command* findCommand(std::string_view name) {
  const auto all = commands();
  const auto it = std::find_if(all.begin(), all.end(),
                               [&](const Command& command) { return command.name == name; });
  return it == all.end() ? nullptr : &*it;
}

}  // namespace fesk
