#include "runtime/picture.h"

#include <algorithm>
#include <charconv>

namespace apprt {
namespace {

// Longest string picture taken; record fields are far shorter.
constexpr size_t kMaxStringPicture = 65535;

std::string_view withoutPadding(std::string_view value) {
  const size_t end = value.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : value.substr(0, end + 1);
}

// Length of the well-formed UTF-8 sequence at `at`, or 0 when it is not one
// (overlong forms, surrogates and code points beyond U+10FFFF included).
size_t utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

bool isControlCharacter(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

}  // namespace

std::optional<Picture> Picture::parse(std::string_view text, std::string* error) {
  const auto fail = [&](std::string why) -> std::optional<Picture> {
    if (error) *error = "picture \"" + std::string(text) + "\": " + why;
    return std::nullopt;
  };
  if (text.size() < 2 || text[0] != '@') return fail("expected '@' and a picture kind");
  const char kind = text[1];
  if (kind != 's' && kind != 'S') {
    return fail(std::string("picture kind '") + kind + "' is not supported (only @s<n>)");
  }
  const std::string_view digits = text.substr(2);
  size_t length = 0;
  const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
  if (status != std::errc{} || end != digits.data() + digits.size()) {
    return fail("expected the length as digits after '@" + std::string(1, kind) + "'");
  }
  if (length == 0 || length > kMaxStringPicture) {
    return fail("length must be 1 to " + std::to_string(kMaxStringPicture));
  }
  return Picture(std::string(text), length);
}

std::string Picture::formatForDisplay(std::string_view value) const {
  const std::string_view shown = withoutPadding(value);
  size_t cut = 0;
  while (cut < shown.size()) {
    // A byte that is not a well-formed sequence counts as one character.
    const size_t step = std::max<size_t>(utf8SequenceLength(shown, cut), 1);
    if (cut + step > maxBytes_) break;
    cut += step;
  }
  return std::string(shown.substr(0, cut));
}

std::optional<std::string> Picture::acceptInput(std::string_view typed) const {
  const std::string_view value = withoutPadding(typed);
  if (value.size() > maxBytes_) return std::nullopt;
  for (size_t at = 0; at < value.size();) {
    const size_t step = utf8SequenceLength(value, at);
    if (step == 0) return std::nullopt;
    if (step == 1 && isControlCharacter(static_cast<unsigned char>(value[at]))) {
      return std::nullopt;
    }
    at += step;
  }
  return std::string(value);
}

}  // namespace apprt
