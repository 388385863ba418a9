#include "records/csv_format.h"

namespace fesk::records {

void appendCsvField(std::string& line, std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
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
