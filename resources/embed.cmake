# Writes OUTPUT: a C++ source with the text of every file in INPUTS (separated by |).
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "#include <string_view>\n#include <vector>\nnamespace fesk::resources {\nconst std::vector<std::string_view>& windowDefinitionTexts() {\n  static const std::vector<std::string_view> texts = {\n")
foreach(input ${INPUTS})
  file(READ ${input} text)
  string(APPEND body "R\"FESKWIN(${text})FESKWIN\",\n")
endforeach()
string(APPEND body "  };\n  return texts;\n}\n}  // namespace fesk::resources\n")
file(WRITE ${OUTPUT} "${body}")
