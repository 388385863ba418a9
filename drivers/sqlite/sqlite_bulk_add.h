#pragma once
// Records added at once (runtime/files/bulk_add.h) to a file in SQLite. As
// they are sent they go into a table of the connection's temporary database
// (kept on disk, so memory does not grow with them); finish() then judges
// them in SQL against the stored records, and adds those it does not refuse
// with one INSERT ... SELECT in the order sent, each with its history entry
// (the file's triggers). All of it happens in the thread's transaction.
//
// Filling the key indexes one record at a time, in the scattered order of
// the values, reads and writes an index page per record once the indexes
// outgrow the page cache. So when the records sent are at least as many as
// those stored, the file's indexes are dropped before the add and made again
// after it, by sorting. A file of few records has them dropped at the first
// record sent (its unique key's values kept aside to judge against), so
// that the transaction writes the file from then on, as an add would.
// finish() must therefore come before the commit.
//
// Records sent that repeat each other's unique key value are left to the
// unique index to find: when it refuses the add, the add is undone, the
// records are judged against each other too, and those not refused are
// added again.
//
// When the caller rolls back at the first refusal (a copy) and the file is
// empty with no parent to judge against, the records go straight into the
// file, many to an insert, its indexes dropped; finish() makes the indexes,
// and when the unique one refuses them tells the records that repeat an
// earlier one's value, leaving the rest to the rollback.

#include <memory>
#include <optional>
#include <string>

#include "runtime/files/bulk_add.h"

namespace fesk::sqlite {

class SqliteFile;

// Null when the file has more than one unique key (which records one refusal
// leaves to hold a value of another key is then a matter of order), or when
// the parent's file is not open on the same connection: such a file is added
// to record by record. `parentFile` is the open file of `parent->parent`.
std::unique_ptr<apprt::DriverBulkAdd> bulkAddTo(SqliteFile& file,
                                                const std::optional<apprt::ParentRule>& parent,
                                                const SqliteFile* parentFile);

}  // namespace fesk::sqlite
