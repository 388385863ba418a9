#include "runtime/file_record.h"

#include <cstring>

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

std::size_t utf8CutPoint(std::string_view value, std::size_t limit) {
  if (value.size() <= limit) return value.size();
  std::size_t cut = limit;
  // Step back over continuation bytes (10xxxxxx) to the start of the character
  // that would be split; cutting there keeps only whole characters.
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

void assignField(char* field, std::size_t size, std::string_view value) {
  const std::size_t used = utf8CutPoint(value, size);
  std::memcpy(field, value.data(), used);
  std::memset(field + used, ' ', size - used);
}

std::string trimmedField(const char* field, std::size_t size) {
  std::string_view view(field, size);
  const auto end = view.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : view.substr(0, end + 1));
}

}  // namespace apprt
