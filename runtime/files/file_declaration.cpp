#include "runtime/files/file_declaration.h"

#include <atomic>

namespace apprt {
namespace {

std::atomic<Driver*> gDefaultDriver{nullptr};

}  // namespace

Driver* FileDeclaration::driver() const {
  return driver_ ? driver_ : gDefaultDriver.load();
}

void setDefaultDriver(Driver* driver) {
  gDefaultDriver = driver;
}

}  // namespace apprt
