#include "runtime/text/utf8.h"

#include <algorithm>

namespace apprt {
namespace {

std::size_t characterStep(std::string_view text, std::size_t at) {
  return std::max<std::size_t>(utf8SequenceLength(text, at), 1);
}

}  // namespace

std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
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
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (length == 1) return byte(at);
  char32_t c = byte(at) & (0x7F >> length);
  for (std::size_t i = at + 1; i < at + length; ++i) c = (c << 6) | (byte(i) & 0x3F);
  return c;
}

std::size_t utf8CharactersPrefix(std::string_view text, std::size_t characters) {
  std::size_t at = 0;
  for (; characters > 0 && at < text.size(); --characters) at += characterStep(text, at);
  return at;
}

std::size_t utf8CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at += characterStep(text, at)) ++count;
  return count;
}

void utf8StepLastCharacter(std::string& text) {
  if (text.empty()) return;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t start = text.size() - 1;
  while (start > 0 && text.size() - start < 4 && (byte(start) & 0xC0) == 0x80) --start;
  const std::size_t length = text.size() - start;
  if (length > 1 && utf8SequenceLength(text, start) == length) {
    const char32_t c = utf8CodePoint(text, start, length);
    const char32_t next = c + 1 == 0xD800 ? 0xE000 : c + 1;  // surrogates are no characters
    if (next <= 0x10FFFF) {
      text.replace(start, length, utf8Of(next));
      return;
    }
  }
  text.back() = static_cast<char>((byte(text.size() - 1) + 1) & 0xFF);
}

std::string utf8Of(char32_t c) {
  const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
  const auto tail = [&](int shift) { return byte(0x80 | ((c >> shift) & 0x3F)); };
  if (c < 0x80) return {byte(c)};
  if (c < 0x800) return {byte(0xC0 | (c >> 6)), tail(0)};
  if (c < 0x10000) return {byte(0xE0 | (c >> 12)), tail(6), tail(0)};
  return {byte(0xF0 | (c >> 18)), tail(12), tail(6), tail(0)};
}

}  // namespace apprt
