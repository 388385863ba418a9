#include "resources/resources.h"

#include <mutex>

#include "runtime/frontend/window_definition.h"

namespace fesk::resources {

void registerWindowDefinitions() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const auto& file : windowDefinitionTexts()) apprt::registerWindowDefinitions(file.text);
  });
}

}  // namespace fesk::resources
