#include "records/csv_format.h"

#include <algorithm>

namespace fesk::records {

void appendCsvField(std::string& line, std::string_view value) {
  // One pass over the value (find_first_of looks each byte up in the set).
  const bool plain = std::ranges::none_of(
      value, [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
  if (plain) {
    line += value;
    return;
  }
  line += '"';
  for (char c : value) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

std::string csvHeading(const apprt::FieldDeclaration& field) {
  return std::string(apprt::unprefixedName(field.name));
}

}  // namespace fesk::records
