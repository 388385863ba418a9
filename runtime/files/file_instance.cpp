#include "runtime/files/file_instance.h"

#include <cstring>
#include <unordered_map>

#include "runtime/files/record_layout.h"

namespace apprt {

FileInstance& instanceOf(const RecordLayout& file) {
  // Keyed by serial, not address: a declaration made later at the same address
  // (tests declare files on the stack) must not inherit an old instance.
  thread_local std::unordered_map<std::uint64_t, FileInstance> instances;
  auto [it, made] = instances.try_emplace(file.serial());
  if (made) {
    it->second.record = std::make_unique<char[]>(file.recordLength());
    std::memset(it->second.record.get(), ' ', file.recordLength());
  }
  return it->second;
}

}  // namespace apprt
