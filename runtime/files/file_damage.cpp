#include "runtime/files/file_damage.h"

#include <mutex>

namespace apprt {
namespace {

std::mutex gListenerMutex;

std::function<void(const FileDeclaration&)>& listener() {
  static std::function<void(const FileDeclaration&)> registered;
  return registered;
}

}  // namespace

void onFileDamaged(std::function<void(const FileDeclaration&)> newListener) {
  std::lock_guard lock(gListenerMutex);
  listener() = std::move(newListener);
}

void fileDamaged(const FileDeclaration& file) {
  std::function<void(const FileDeclaration&)> current;
  {
    std::lock_guard lock(gListenerMutex);
    current = listener();
  }
  if (current) current(file);
}

}  // namespace apprt
