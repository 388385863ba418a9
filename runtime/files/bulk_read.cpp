#include "runtime/files/bulk_read.h"

#include <algorithm>

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"

namespace apprt {

bool readInBulk(const FileDeclaration& file, const KeyDeclaration* key,
                const std::function<bool()>& each) {
  FileInstance* instance = openInstance(file);
  if (!instance) return true;  // 37 is set
  const ReadOrder order = key ? keyOrder(file, file.keyIndex(*key)) : ReadOrder{};
  const std::span<char> buffer = file.recordBytes();
  DriverStatus status;
  const bool offered = instance->driverFile->readAll(
      order,
      [&](std::span<const char> record) {
        std::copy_n(record.begin(), std::min(record.size(), buffer.size()), buffer.begin());
        return each();
      },
      status);
  if (offered) report(file, status);
  return offered;
}

}  // namespace apprt
