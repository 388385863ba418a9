#pragma once
// Counting and cutting UTF-8 text by characters. A character is one
// well-formed UTF-8 sequence; a byte that starts none (a stray continuation
// byte, a broken or overlong sequence) counts as one character of its own, so
// that text of any origin can be measured and cut without losing a byte.

#include <cstddef>
#include <string>
#include <string_view>

namespace apprt {

// Length of the well-formed UTF-8 sequence at `at`, or 0 when it is not one
// (overlong forms, surrogates and code points beyond U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// The code point of the well-formed sequence of `length` bytes at `at`, as
// utf8SequenceLength measured it.
char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t length);

// Bytes of the first `characters` characters of `text` (all of it when it
// has fewer).
std::size_t utf8CharactersPrefix(std::string_view text, std::size_t characters);

// Number of characters in `text`.
std::size_t utf8CharacterCount(std::string_view text);

// Replaces the last character of `text` with the next one in code point order,
// which UTF-8's byte order follows, so that the text sorts right after every
// text of its length that it begins. A last byte that is no character (or the
// last code point) is stepped up as a byte.
void utf8StepLastCharacter(std::string& text);

// The UTF-8 bytes of code point `c`.
std::string utf8Of(char32_t c);

}  // namespace apprt
