#include "app/commands/commands.h"

#include <algorithm>
#include <array>

#include "app/commands/check_command.h"
#include "app/commands/interruption.h"
#include "app/commands/record_commands.h"
#include "app/commands/report_command.h"

namespace fesk {

std::span<const Command> commands() {
  // Every command, in the order --help lists them.
  static const std::array kCommands{kExportCommand,  kImportCommand, kBackupCommand,
                                    kRestoreCommand, kCopyCommand,   kHistoryCommand,
                                    kReportCommand,  kCheckCommand,  kServeCommand};
  return kCommands;
}

const Command* findCommand(std::string_view name) {
  const auto all = commands();
  const auto it = std::find_if(all.begin(), all.end(),
                               [&](const Command& command) { return command.name == name; });
  return it == all.end() ? nullptr : &*it;
}

int runCommand(const Command& command, int argc, char** argv) {
  // Before the command does any work: a Ctrl+C that comes early is not lost.
  catchInterruptions();
  ArgumentReader arguments({argv + 2, argv + argc});
  return command.run(arguments);
}

}  // namespace fesk
