#include "records/csv_format.h"

#include "runtime/files/key_order.h"

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

std::string columnName(const apprt::FieldDeclaration& field) {
  return std::string(apprt::columnName(field.name));
}

}  // namespace fesk::records
