#pragma once
// Which field of a file each column of a CSV fills, read from its header row.
// A column is named by its field's column name (CODE) or declared name
// (FES:CODE), in any letter case and any order. Every field that a key uses
// must have its column; the other fields may be left out (they stay blank).
// A column that names no field, or a field named twice, is an error: a typo
// must not drop a column's values without a word.

#include <string>
#include <vector>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

struct CsvColumns {
  std::vector<int> fieldOfColumn;  // per column, the 0-based field it fills
  std::string error;               // why the header does not fit the file
};

CsvColumns matchColumns(const apprt::FileDeclaration& file, const std::vector<std::string>& header);

}  // namespace fesk::records
