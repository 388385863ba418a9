#pragma once
// Entry pictures: how a value is shown in an entry or a list column, and what
// an entry takes from what was typed. The one kind this program uses is the
// string picture "@s<n>" (or "@S<n>"): text of at most n characters of any
// script, as a field of n characters holds it.
// Record strings are fixed-length and space-padded, so trailing spaces are
// padding, never content.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace apprt {

class Picture {
 public:
  // Parses a picture text such as "@s20". On failure answers nothing and, when
  // `error` is given, says why (an unknown or unsupported kind is named).
  static std::optional<Picture> parse(std::string_view text, std::string* error = nullptr);

  const std::string& text() const { return text_; }
  // Longest value in characters; a front-end may limit typing to it.
  size_t maxCharacters() const { return maxCharacters_; }

  // The value as shown: padding dropped, then its first maxCharacters()
  // characters (never part of one).
  std::string formatForDisplay(std::string_view value) const;

  // What was typed, as the value to store, or nothing when the picture cannot
  // take it: invalid UTF-8, control characters, or longer than maxCharacters() once
  // trailing spaces are dropped. Refused text is never cut to fit, so nothing
  // the user typed is silently lost.
  std::optional<std::string> acceptInput(std::string_view typed) const;

 private:
  Picture(std::string text, size_t maxCharacters)
      : text_(std::move(text)), maxCharacters_(maxCharacters) {}

  std::string text_;
  size_t maxCharacters_;
};

}  // namespace apprt
