#include "runtime/frontend/remembered.h"

#include <mutex>

namespace apprt {
namespace {

// Every procedure thread asks; the place itself need not be thread-safe.
std::mutex gMutex;
ChoicePlace* gPlace = nullptr;

}  // namespace

void keepChoicesIn(ChoicePlace* place) {
  std::lock_guard lock(gMutex);
  gPlace = place;
}

std::string rememberedChoice(const std::string& key, const std::string& fallback) {
  std::lock_guard lock(gMutex);
  std::string value = gPlace ? gPlace->value(key) : std::string();
  return value.empty() ? fallback : value;
}

void rememberChoice(const std::string& key, const std::string& value) {
  std::lock_guard lock(gMutex);
  if (gPlace) gPlace->setValue(key, value);
}

}  // namespace apprt
