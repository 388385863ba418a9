#pragma once
// Saving the records of a file whose table is damaged. Nothing of the damaged
// file is changed or dropped: it stays as it is under a name that says it is
// damaged (FESK1.damaged-20260102-030405.sqlite, never a name already taken),
// and a new file at its name gets every record that can still be read, from
// the table or from any key's index (each holds whole records), read from
// both ends up to the damage. A record keeps its identity, and identities of
// records that were lost are not given again. Until the new file stands
// complete at the file's name, the damaged one stays there: a kill or a full
// disk at any step leaves one or the other, never neither.

#include <filesystem>
#include <string>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

// On success `answer` says how many records were saved, how many were lost
// (when a source read whole tells what the file held) and where the damaged
// file is kept. Refused while another process has the file open, or a thread
// of this one that has not met the damage (it would go on writing to the
// damaged file); the threads that met it write nothing more to it.
apprt::DriverStatus salvageRecords(const std::filesystem::path& path,
                                   const apprt::FileDeclaration& file, std::string& answer);

}  // namespace fesk::sqlite
