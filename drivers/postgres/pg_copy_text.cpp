#include "drivers/postgres/pg_copy_text.h"

namespace fesk::postgres {
namespace {

// The character an escape letter stands for; the server writes these, and
// any other character after a backslash stands for itself.
char unescaped(char letter) {
  switch (letter) {
    case 't':
      return '\t';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'v':
      return '\v';
    default:
      return letter;
  }
}

}  // namespace

void appendCopyText(std::string& out, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

void readCopyRow(std::string_view row, std::vector<std::string>& values) {
  values.clear();
  values.emplace_back();
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (c == '\t') {
      values.emplace_back();
    } else if (c != '\\' || i + 1 == row.size()) {
      values.back() += c;
    } else if (row[++i] != 'N') {
      values.back() += unescaped(row[i]);
    }
  }
}

}  // namespace fesk::postgres
