#pragma once
// Asking a file whether a key value is stored, without touching what the
// thread holds of it: its record buffer, current record and position stay as
// they are (a form may be editing the record in the buffer).

#include <span>

#include "runtime/files/file_declaration.h"

namespace apprt {

// Whether any record of the open `file`, the current one included, has the
// value that `record` (in the file's layout) holds in the unique key `key`.
// A failed look-up answers false with the thread's error set.
bool holdsKeyValue(const FileDeclaration& file, const KeyDeclaration& key,
                   std::span<const char> record);

}  // namespace apprt
