#pragma once
// The statement that reads a block of records beyond a bound in an order.
//
// It seeks on the whole order at once, the key's folded fields and the
// identity together, so the server starts its index walk at the bound however
// many records share the key's value: `(key, id) > ($1, $2)` for a key whose
// index holds the identity. A unique key's index holds the fields alone (a
// value there names one record), so the seek is `key >= $1` and the identity
// only tells apart the one record at the bound.

#include <string>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

struct ReadQuery {
  std::string sql;
  std::vector<std::string> values;
};

// `key` is the declared key whose index serves the order (-1: none);
// `columns` the selected columns, `table` the quoted table.
ReadQuery readQuery(const apprt::FileDeclaration& file, const std::string& table,
                    const std::string& columns, const apprt::ReadOrder& order, int key,
                    const apprt::ReadBound& from, apprt::Direction direction, int limit);

// The records beyond a bound (not an edge) in an order of fields whose
// values may repeat (no unique key's), in two runs from one snapshot: up to
// `runLimit` of those that hold the bound's values, then up to `nextLimit`
// of those beyond them. Each row ends with a column that is true for the
// first run. Read together, the two runs are the records next to the bound
// with none left out, unless the first run reached its limit: the second
// then lies further on.
ReadQuery runQuery(const apprt::FileDeclaration& file, const std::string& table,
                   const std::string& columns, const apprt::ReadOrder& order,
                   const apprt::ReadBound& from, apprt::Direction direction, int runLimit,
                   int nextLimit);

// The records around a bound in one statement, so from one snapshot: up to
// `limit` at or beyond it, and up to `limit` before it.
ReadQuery aroundQuery(const apprt::FileDeclaration& file, const std::string& table,
                      const std::string& columns, const apprt::ReadOrder& order, int key,
                      const apprt::ReadBound& from, int limit);

// Every record in the order (of its filter), from the first on: the query of
// a read of the whole file at once.
std::string wholeQuery(const apprt::FileDeclaration& file, const std::string& table,
                       const std::string& columns, const apprt::ReadOrder& order, int key);

}  // namespace fesk::postgres
