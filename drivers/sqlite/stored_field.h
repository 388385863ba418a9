#pragma once
// How a stored value reads as a field of the record: NULL as blanks, a value
// longer than the field cut where the field would cut it. Another tool may
// have stored either; reading and change detection must agree on what such a
// value is, or a record holding one could never be written back.

#include <sqlite3.h>

namespace fesk::sqlite {

// Makes `stored_field(value, characters)` available in the SQL of `db`: the
// stored value as a field of that many characters reads it, without its
// padding.
void addStoredFieldFunction(sqlite3* db);

}  // namespace fesk::sqlite
