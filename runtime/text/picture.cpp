#include "runtime/text/picture.h"

#include <charconv>

#include "runtime/text/key_text.h"
#include "runtime/text/utf8.h"

namespace apprt {
namespace {

// Longest string picture taken; record fields are far shorter.
constexpr size_t kMaxStringPicture = 65535;

bool isControlCharacter(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

}  // namespace

std::optional<Picture> Picture::parse(std::string_view text, std::string* error) {
  const auto fail = [&](std::string_view why) -> std::optional<Picture> {
    if (error) *error = "picture \"" + std::string(text) + "\": " + std::string(why);
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
  return std::string(shown.substr(0, utf8CharactersPrefix(shown, maxCharacters_)));
}

std::optional<std::string> Picture::acceptInput(std::string_view typed) const {
  const std::string_view value = withoutPadding(typed);
  if (utf8CharacterCount(value) > maxCharacters_) return std::nullopt;
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
