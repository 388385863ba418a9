#pragma once
// The CSV the records commands write and read: RFC 4180, UTF-8, one header row
// of column names, lines ended by CR LF. A value is quoted (its quotes doubled)
// when it holds a comma, a quote or a line break, and written as it is
// otherwise.

#include <string>
#include <string_view>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

inline constexpr std::string_view kCsvLineEnd = "\r\n";
// What marks text as UTF-8 for spreadsheets; the reader skips it.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Appends `value` to `line` as one field (no separator).
void appendCsvField(std::string& line, std::string_view value);

// The CSV header of a field's column: its declared name without the file's
// prefix (FES:CODE is CODE), the name the driver's filters use too.
std::string csvHeading(const apprt::FieldDeclaration& field);

}  // namespace fesk::records
