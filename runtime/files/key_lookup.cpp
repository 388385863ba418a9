#include "runtime/files/key_lookup.h"

#include <limits>

#include "runtime/files/errors.h"
#include "runtime/files/file_access.h"

namespace apprt {

bool holdsKeyValue(const FileDeclaration& file, const KeyDeclaration& key,
                   std::span<const char> record) {
  FileInstance* instance = openInstance(file);
  if (!instance) return false;
  clearError();
  // No record has the least identity: none is left out of the look-up.
  constexpr RecordIdentity kNoRecord = std::numeric_limits<RecordIdentity>::min();
  bool found = false;
  return report(file,
                instance->driverFile->hasDuplicate(file.keyIndex(key), record, kNoRecord, found)) &&
         found;
}

}  // namespace apprt
