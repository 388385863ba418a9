#include "drivers/common/stored_names.h"

#include "runtime/files/file_declaration.h"

namespace fesk::drivers {

std::string quotedWith(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  return out + quote;
}

std::string quotedName(std::string_view identifier) {
  return quotedWith(identifier, '"');
}

std::string storedColumn(const apprt::FileDeclaration& file, int field) {
  return std::string(apprt::unprefixedName(file.fields()[field].name));
}

std::string storedKeyName(const apprt::FileDeclaration& file, int key) {
  return std::string(apprt::unprefixedName(file.key(key).name));
}

}  // namespace fesk::drivers
