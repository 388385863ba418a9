#include "runtime/text/key_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace apprt {

void foldKey(std::string& text) {
  // Without a branch, so that the compiler folds many bytes at a time.
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const unsigned isUpper = static_cast<unsigned char>(byte - 'A') < 26;
    c = static_cast<char>(byte + (isUpper << 5));
  }
}

std::string_view withoutPadding(std::string_view field) {
  // A field is mostly padding (four bytes a character, most of them blank):
  // the blanks are passed over eight at a time.
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020;
  std::size_t end = field.size();
  for (std::uint64_t eight = 0; end >= sizeof eight; end -= sizeof eight) {
    std::memcpy(&eight, field.data() + end - sizeof eight, sizeof eight);
    if (eight != kEightBlanks) break;
  }
  while (end > 0 && field[end - 1] == ' ') --end;
  return field.substr(0, end);
}

std::string keyValue(std::string_view field) {
  std::string value(withoutPadding(field));
  foldKey(value);
  return value;
}

bool sameKeyText(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return keyFolded(x) == keyFolded(y); });
}

int compareKeyFields(std::string_view a, std::string_view b) {
  a = withoutPadding(a);
  b = withoutPadding(b);
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(keyFolded(a[i]));
    const auto y = static_cast<unsigned char>(keyFolded(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size();
}

}  // namespace apprt
