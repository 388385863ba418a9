#pragma once
// Where the records of a file can be read from: its table, and the index of
// each key, which holds whole records (sqlite_schema.h). When some pages of a
// file are damaged, each of these may still hold a record that the others
// lost, so that a damaged table is judged, and its records saved, by reading
// them all.

#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "drivers/sqlite/sqlite_statement.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

struct RecordSource {
  std::string indexing;            // "NOT INDEXED" or "INDEXED BY <index>"
  std::vector<std::string> order;  // the columns the source is read in
};

// The table first, then the index of each key.
std::vector<RecordSource> recordSources(const apprt::FileDeclaration& file);

// Reads every record of `source` in the database attached as `schema`, from
// its start (or, `fromTheEnd`, from its end backwards), handing each to `take`
// as a statement whose columns are the identity and then the fields. Answers
// SQLITE_DONE when it read to the other end, else the failure it stopped at.
int readSource(sqlite3* db, const std::string& schema, const apprt::FileDeclaration& file,
               const RecordSource& source, bool fromTheEnd,
               const std::function<void(const Statement&)>& take);

}  // namespace fesk::sqlite
