#include "runtime/key_order.h"

#include <algorithm>
#include <limits>

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
  const auto end = field.find_last_not_of(' ');
  return end == std::string_view::npos ? field.substr(0, 0) : field.substr(0, end + 1);
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

int compareKeyPoints(const KeyPoint& a, const KeyPoint& b) {
  const std::size_t fields = std::min(a.values.size(), b.values.size());
  for (std::size_t i = 0; i < fields; ++i) {
    if (const int order = compareKeyFields(a.values[i], b.values[i]); order != 0) return order;
  }
  return a.identity < b.identity ? -1 : a.identity > b.identity;
}

RecordIdentity boundIdentity(const ReadBound& bound) {
  return bound.kind == BoundKind::kValues ? std::numeric_limits<RecordIdentity>::min()
                                          : bound.identity;
}

bool boundIncluded(const ReadBound& bound) {
  return bound.kind == BoundKind::kValues || bound.inclusive;
}

std::string_view columnName(std::string_view fieldName) {
  const auto colon = fieldName.find(':');
  return colon == std::string_view::npos ? fieldName : fieldName.substr(colon + 1);
}

}  // namespace apprt
