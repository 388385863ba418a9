#pragma once
// The SELECT behind a run of reads: the records of a file in an order (the
// values of some fields, compared as their columns compare, then the rowid),
// from a bound on, forward or backward, through the index of the order's key.
//
// A bound at a record is the whole key plus the identity, and SQLite searches
// a row value only on the columns of an index, never on the rowid behind them:
// (NAME, id) > (?, ?) would seek NAME >= ? and then step through every equal
// name. So such a read is two ranges merged in order, each found by one
// search: the records with the bound's values and an identity beyond it
// (NAME = ? AND id > ?), then the records with values beyond (NAME > ?).

#include <string>

#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

// Where a run of reads starts, as far as its statement is concerned.
enum class ReadStart {
  kEdge,         // before the first record (forward) or after the last (backward)
  kValues,       // at the values: every record with them lies ahead
  kAfterRecord,  // just beyond a record (values and identity)
  kAtRecord,     // at a record: it is the first answer when it exists
};

ReadStart readStartOf(const apprt::ReadBound& from);

// Whether the statement of such a read merges two ranges. A merge holds the
// next row of its second range before answering it, so it must not outlive a
// write that could change that row.
bool mergesRanges(const apprt::ReadOrder& order, ReadStart start);

// The statement: `table` is schema-qualified, `columns` the selected columns;
// a bound's values are parameters ?1 .. ?n (one per field of the order), its
// identity ?n+1.
std::string readSql(const apprt::FileDeclaration& file, const std::string& table,
                    const std::string& columns, const apprt::ReadOrder& order,
                    apprt::Direction direction, ReadStart start);

}  // namespace fesk::sqlite
