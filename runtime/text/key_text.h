#pragma once
// Key values as text: the part of the key order (key_order.h) that needs no
// more than the bytes of a field. A field's value counts without its trailing
// blanks (the padding of a fixed-length field), and ASCII letters count alike
// in either case by folding them to lower case (driver.h tells why lower);
// every other byte, UTF-8 included, compares as it is, unsigned.

#include <string>
#include <string_view>

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

}  // namespace apprt
