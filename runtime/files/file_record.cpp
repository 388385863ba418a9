#include "runtime/files/file_record.h"

#include <cstring>

#include "runtime/text/key_text.h"

namespace apprt {

char fillByte(Fill fill) {
  switch (fill) {
    case Fill::kLowest:
      return '\0';
    case Fill::kHighest:
      return '\xff';
    case Fill::kSpaces:
      break;
  }
  return ' ';
}

void assignField(char* field, std::size_t characters, std::string_view value) {
  // Whole characters only, and at most four bytes each, so the value always
  // fits the field's bytes.
  const std::size_t used = utf8CharactersPrefix(value, characters);
  std::memmove(field, value.data(), used);  // the value may be the field itself
  std::memset(field + used, ' ', fieldBytes(characters) - used);
}

std::string trimmedField(const char* field, std::size_t bytes) {
  return std::string(withoutPadding(std::string_view(field, bytes)));
}

}  // namespace apprt
