#pragma once
// Entries carried into the history of a file in SQLite (history_carry.h).
// While they are carried the trigger that writes the entries of the file's
// adds is dropped, inside the thread's transaction, so that the records
// moved in write none, and made again at the end (a rollback brings it back
// too). The entries go straight into the history table, many to a prepared
// insert (those left over by finish()), their fields made into JSON arrays as
// the triggers make them.

#include <memory>
#include <vector>

#include "runtime/files/file_history.h"

namespace fesk::sqlite {

class SqliteFile;

apprt::DriverStatus carryHistoryInto(SqliteFile& file, bool replace,
                                     std::unique_ptr<apprt::HistoryCarry>& carry);

// The identities of the file's records, in the order they were added.
apprt::DriverStatus storedIdentities(SqliteFile& file,
                                     std::vector<apprt::RecordIdentity>& identities);

}  // namespace fesk::sqlite
