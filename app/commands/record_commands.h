#pragma once
// The commands that move records in and out of a data set, one file each:
// export and import as CSV, backup and restore, copy between data sets, and
// the history of every change.

#include "app/commands/commands.h"

namespace fesk {

extern const Command kExportCommand;
extern const Command kImportCommand;
extern const Command kBackupCommand;
extern const Command kRestoreCommand;
extern const Command kCopyCommand;
extern const Command kHistoryCommand;
// The web front-end, in a file of its own beside them.
extern const Command kServeCommand;

}  // namespace fesk
