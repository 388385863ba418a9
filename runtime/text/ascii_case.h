#pragma once
// Letter case of names the program reads (option names, key names of
// shortcuts, file and column names typed on a command line): ASCII letters
// only, whatever the locale says, so that a Turkish "i" is "I" here as
// everywhere else. Key values never come here: they fold by the key order
// (key_order.h).

#include <string>
#include <string_view>

namespace apprt {

constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Wide letters of a screen (a button's first letter) fold as their byte would.
constexpr wchar_t asciiUpper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

inline std::string asciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = asciiUpper(c);
  return out;
}

inline std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = asciiLower(c);
  return out;
}

// Whether two names are the same but for the case of ASCII letters.
constexpr bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace apprt
