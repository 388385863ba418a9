#pragma once
// Reading and pruning the history the data set's triggers write
// (pg_schema.h, historyScript), for one file.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "drivers/postgres/pg_server_session.h"
#include "runtime/files/file_history.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

// The query of the file's entries (read by historyEntryOf), the file's name
// given as `fileValue` (a parameter or a literal); conditions may follow.
std::string historyEntriesSql(const std::string& schema, const apprt::FileDeclaration& file,
                              const std::string& fileValue);
// The entry of a row of that query, its columns as text.
apprt::HistoryEntry historyEntryOf(const apprt::FileDeclaration& file,
                                   const std::function<std::string_view(int column)>& column);

// The file's entries that `read` names (file_history.h), by the history's indexes.
apprt::DriverStatus readHistory(ServerSession& session, const std::string& schema,
                                const apprt::FileDeclaration& file, const apprt::HistoryRead& read,
                                const std::function<bool(const apprt::HistoryEntry&)>& take);
// Removes the file's entries older than `before`, after the queued writes.
apprt::DriverStatus pruneHistory(ServerSession& session, const std::string& schema,
                                 const apprt::FileDeclaration& file, const std::string& before,
                                 std::uint64_t& removed);

}  // namespace fesk::postgres
