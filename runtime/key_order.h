#pragma once
// The order of keys, written once for every layer and every driver. A key
// compares the values of its fields one after the other, then the record's
// identity as its last field. A field's value counts without its trailing
// blanks (the padding of a fixed-length field), and ASCII letters count alike
// in either case by folding them to lower case (driver.h tells why lower);
// every other byte, UTF-8 included, compares as it is, unsigned.

#include <span>
#include <string>
#include <string_view>

#include "runtime/driver.h"

namespace apprt {

// An ASCII letter in the case keys compare it in.
constexpr char keyFolded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// Folds `text` in place (runs over every field of every record read).
void foldKey(std::string& text);

// The field's value without its trailing blanks.
std::string_view withoutPadding(std::string_view field);

// A field's value as keys compare it: without its padding, folded.
std::string keyValue(std::string_view field);

// Whether two texts are the same as a key tells them: case of ASCII letters
// aside, blanks counted (a locator typed "ab" is the start of "AB  ").
bool sameKeyText(std::string_view a, std::string_view b);

// Two field values in key order: below 0, 0 or above 0. Either may be padded
// or not, and in either case.
int compareKeyFields(std::string_view a, std::string_view b);

// Two points of an order: field values (as `keyValue` gives them, or raw:
// they are compared by `compareKeyFields`) and an identity.
struct KeyPoint {
  std::span<const std::string> values;
  RecordIdentity identity = 0;
};
int compareKeyPoints(const KeyPoint& a, const KeyPoint& b);

// The identity a bound stands at as the key's last field: a bound at values
// alone stands before every record that has them.
RecordIdentity boundIdentity(const ReadBound& bound);
// Whether a record exactly at the bound answers a read from it.
bool boundIncluded(const ReadBound& bound);

// A field's column name, by which queries and filters name it: the declared
// name without its prefix (CODE for FES:CODE).
std::string_view columnName(std::string_view fieldName);

}  // namespace apprt
