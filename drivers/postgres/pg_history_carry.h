#pragma once
// A file's history carried out of and into a data set on the server
// (history_carry.h). Out: the entries and the records' identities each read
// with one COPY ... TO STDOUT in the reading transaction, so from the same
// moment as the records. In: the entries go with COPY into the history
// table, in pieces of a few megabytes, and meanwhile a setting local to the
// transaction (pg_schema.h, kCarriedHistorySetting) has the history's trigger pass over
// the file's adds.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drivers/postgres/pg_server_session.h"
#include "runtime/files/file_history.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

apprt::DriverStatus readWholeHistory(ServerSession& session, const std::string& schema,
                                     const apprt::FileDeclaration& file,
                                     const std::function<bool(apprt::HistoryEntry&)>& take);

// The identities of the records of `table` (quoted, schema-qualified), in
// the order they were added.
apprt::DriverStatus storedIdentities(ServerSession& session, const std::string& table,
                                     std::vector<apprt::RecordIdentity>& identities);

apprt::DriverStatus carryHistoryInto(ServerSession& session, const std::string& schema,
                                     const std::string& table, const apprt::FileDeclaration& file,
                                     bool replace, std::unique_ptr<apprt::HistoryCarry>& carry);

}  // namespace fesk::postgres
