#include "resources/resources.h"

#include <mutex>

#include "runtime/window_definition.h"

namespace fesk::resources {

void registerWindowDefinitions() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (auto text : windowDefinitionTexts()) apprt::registerWindowDefinitions(text);
  });
}

}  // namespace fesk::resources
