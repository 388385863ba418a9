#pragma once
// Records added at once (runtime/files/bulk_add.h) on the server. They go with COPY
// into a table of the session's own, in pieces of a few megabytes (so the
// round trips grow with the megabytes, not with the records, and memory stays
// bounded), and one statement then judges all of them against the stored
// records and each other and stores those it does not refuse. All of it
// happens in the thread's transaction, which from the first piece on runs
// with no time-out on the server: its length is not what ends it, a network
// that says nothing is (ServerLink::liftTimeLimit).

#include <memory>
#include <optional>
#include <string>

#include "runtime/files/bulk_add.h"

namespace fesk::postgres {

class PgFile;

// Null when the file has more than one unique key: which records one refusal
// leaves to hold a value of another key is then a matter of order that a set
// of records cannot judge; such a file is added to record by record.
std::unique_ptr<apprt::DriverBulkAdd> bulkAddTo(PgFile& file, const std::string& schema,
                                                const std::optional<apprt::ParentRule>& parent);

}  // namespace fesk::postgres
