#include "drivers/postgres/pg_bound.h"

#include <limits>

#include "runtime/file_record.h"

namespace fesk::postgres {
namespace {

constexpr std::string_view kHighestCharacter = "\xF4\x8F\xBF\xBF";  // U+10FFFF

std::string encode(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The length of the valid character at the start of `text`, or 0.
std::size_t characterLength(std::string_view text) {
  const auto byte = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  const auto continues = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
    return byte(i) >= low && byte(i) <= high;
  };
  const unsigned lead = byte(0);
  if (lead >= 0x01 && lead <= 0x7F) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return continues(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    return continues(1, low, high) && continues(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    return continues(1, low, high) && continues(2) && continues(3) ? 4 : 0;
  }
  return 0;
}

// Text that sorts after every stored value of a field of `length` bytes.
std::string highest(std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i <= length; ++i) out += kHighestCharacter;
  return out;
}

// The greatest text of at most `length` bytes' worth of characters that sorts
// below `value`, whose bytes from `invalid` on start no valid character.
std::string greatestTextBelow(std::string_view value, std::size_t invalid, std::size_t length) {
  const std::string_view rest = value.substr(invalid);
  // UTF-8 keeps the order of code points, so the last character whose
  // encoding sorts below the rest is found by halving.
  char32_t below = 0;  // none
  char32_t low = 1;
  char32_t high = 0x10FFFF;
  while (low <= high) {
    const char32_t middle = low + (high - low) / 2;
    if (std::string_view(encode(middle)) < rest) {
      below = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  if (below >= 0xD800 && below <= 0xDFFF) below = 0xD7FF;
  std::string out(value.substr(0, invalid));
  if (below != 0) out += encode(below) + highest(length);
  return out;
}

}  // namespace

std::size_t firstInvalidByte(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = characterLength(text.substr(at));
    if (length == 0) return at;
    at += length;
  }
  return std::string_view::npos;
}

std::string foldedValue(std::string_view field) {
  std::string out = apprt::trimmedField(field.data(), field.size());
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

ServerBound serverBound(const apprt::ReadBound& bound, const std::vector<std::size_t>& lengths) {
  ServerBound out{{}, bound.identity};
  bool replaced = false;
  for (std::size_t i = 0; i < bound.values.size(); ++i) {
    const std::size_t length = i < lengths.size() ? lengths[i] : bound.values[i].size();
    if (replaced) {
      out.values.push_back(highest(length));
      continue;
    }
    std::string value = foldedValue(bound.values[i]);
    if (const std::size_t invalid = firstInvalidByte(value); invalid != std::string::npos) {
      value = greatestTextBelow(value, invalid, length);
      replaced = true;
      out.identity = std::numeric_limits<apprt::RecordIdentity>::max();
    }
    out.values.push_back(std::move(value));
  }
  return out;
}

}  // namespace fesk::postgres
