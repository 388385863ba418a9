#include "records/csv_columns.h"

#include <algorithm>

#include "records/csv_format.h"
#include "runtime/text/ascii_case.h"

namespace fesk::records {
namespace {

int fieldNamed(const apprt::FileDeclaration& file, std::string_view name) {
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    const auto& field = file.fields()[i];
    if (apprt::sameIgnoringAsciiCase(name, csvHeading(field)) ||
        apprt::sameIgnoringAsciiCase(name, field.name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string columnList(const apprt::FileDeclaration& file) {
  std::string list;
  for (const auto& field : file.fields()) list += (list.empty() ? "" : ", ") + csvHeading(field);
  return list;
}

}  // namespace

CsvColumns matchColumns(const apprt::FileDeclaration& file,
                        const std::vector<std::string>& header) {
  CsvColumns columns;
  for (const auto& name : header) {
    const int field = fieldNamed(file, name);
    if (field < 0) {
      columns.error = "the column \"" + name + "\" is no field of " + file.fileName() + " (" +
                      columnList(file) + ")";
      return columns;
    }
    if (std::ranges::find(columns.fieldOfColumn, field) != columns.fieldOfColumn.end()) {
      columns.error = "the column " + csvHeading(file.fields()[field]) + " appears twice";
      return columns;
    }
    columns.fieldOfColumn.push_back(field);
  }
  for (const auto& key : file.keys()) {
    for (int field : key.fields) {
      if (std::ranges::find(columns.fieldOfColumn, field) == columns.fieldOfColumn.end()) {
        columns.error = "the column " + csvHeading(file.fields()[field]) + " is missing (" +
                        file.fileName() + " needs it for its key " + key.displayName + ")";
        return columns;
      }
    }
  }
  return columns;
}

}  // namespace fesk::records
