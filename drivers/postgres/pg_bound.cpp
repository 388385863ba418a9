#include "drivers/postgres/pg_bound.h"

#include <limits>

#include "runtime/files/file_declaration.h"
#include "runtime/files/file_record.h"
#include "runtime/files/key_order.h"
#include "runtime/text/key_text.h"
#include "runtime/text/utf8.h"

namespace fesk::postgres {
namespace {

constexpr std::string_view kHighestCharacter = "\xF4\x8F\xBF\xBF";  // U+10FFFF

// The length of the valid character at the start of `text`, or 0. A server's
// text holds no NUL, so one is no character here.
std::size_t characterLength(std::string_view text) {
  if (text.empty() || text[0] == '\0') return 0;
  return apprt::utf8SequenceLength(text, 0);
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
    if (std::string_view(apprt::utf8Of(middle)) < rest) {
      below = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  if (below >= 0xD800 && below <= 0xDFFF) below = 0xD7FF;
  std::string out(value.substr(0, invalid));
  if (below != 0) out += apprt::utf8Of(below) + highest(length);
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

ServerBound serverBound(const apprt::ReadBound& bound, const std::vector<std::size_t>& lengths) {
  ServerBound out{{}, apprt::boundIdentity(bound)};
  bool replaced = false;
  for (std::size_t i = 0; i < bound.values.size(); ++i) {
    const std::size_t length = i < lengths.size() ? lengths[i] : bound.values[i].size();
    if (replaced) {
      out.values.push_back(highest(length));
      continue;
    }
    std::string value = apprt::keyValue(bound.values[i]);
    if (const std::size_t invalid = firstInvalidByte(value); invalid != std::string::npos) {
      value = greatestTextBelow(value, invalid, length);
      replaced = true;
      out.identity = std::numeric_limits<apprt::RecordIdentity>::max();
    }
    out.values.push_back(std::move(value));
  }
  return out;
}

ServerBound serverBound(const apprt::FileDeclaration& file, const std::vector<int>& fields,
                        const apprt::ReadBound& bound) {
  std::vector<std::size_t> lengths;
  lengths.reserve(fields.size());
  for (int field : fields) lengths.push_back(apprt::fieldBytes(file.fields()[field].characters));
  return serverBound(bound, lengths);
}

}  // namespace fesk::postgres
