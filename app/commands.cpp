#include "app/commands.h"

#include <algorithm>
#include <array>

namespace fesk {
namespace {

// Every command, in the order --help lists them.
constexpr std::array<Command, 0> kCommands{};

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
