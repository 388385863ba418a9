#pragma once
// Failure texts of the server driver: on one line, and short enough to be
// shown whole where a failure is described in a fixed number of characters.

#include <string>

namespace fesk::postgres {

// The longest driver message: an error description holds 150 characters,
// and the driver's code (" (08006)") goes with it.
inline constexpr std::size_t kMessageLength = 140;

// `text` on one line: line breaks and runs of spaces become one space.
std::string oneLine(const std::string& text);

// libpq's words on a failure, first line only, without its full stop (the
// lines that follow are advice for administrators: "This probably means...")
// and without the "connection to server ... failed: " that names the server
// once more.
std::string libpqReason(const std::string& text);

// `text` cut to at most `limit` bytes at a word boundary, never inside a word
// or a character; a cut text ends in "...".
std::string fittedToWords(const std::string& text, std::size_t limit);

}  // namespace fesk::postgres
