#pragma once
// The program's compiled-in window definitions.

#include <string_view>
#include <vector>

namespace fesk::resources {

// A compiled-in text and the name of the file it came from.
struct EmbeddedText {
  std::string_view name;
  std::string_view text;
};

const std::vector<EmbeddedText>& windowDefinitionTexts();
// Registers every window definition with the runtime (once).
void registerWindowDefinitions();

}  // namespace fesk::resources
