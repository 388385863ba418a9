#pragma once
// The program's compiled-in window definitions.

#include <string_view>
#include <vector>

namespace fesk::resources {

const std::vector<std::string_view>& windowDefinitionTexts();
// Registers every window definition with the runtime (once).
void registerWindowDefinitions();

}  // namespace fesk::resources
