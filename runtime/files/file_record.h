#pragma once
// Record fields: fixed-length, space-padded strings holding UTF-8.
//
// A field is declared by the characters it holds: a field of 20 holds 20
// characters of any script. Its buffer is sized for the longest UTF-8 they
// can take (four bytes each), so a name of accented letters fits as well as
// a name of plain ones; the bytes after the value are spaces.
//
// A file's record buffer is a plain struct of FixedString<N> members, one per
// declared field, in declaration order (see file_declaration.h):
//
//   struct Fesk1Record {
//     apprt::FixedString<20> CODE;
//     apprt::FixedString<20> NAME;
//   };
//
// so that code above the runtime writes `FESK1.buffer().CODE = "abc";` and reads
// `FESK1.buffer().CODE.text()`. The struct is nothing but bytes, so the runtime
// and its drivers see the same buffer as one byte image of the record length.
// FieldRef is the untyped handle of one such field (for code that reaches
// fields by number, such as a browse range or an edit control's variable).

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/text/utf8.h"

namespace apprt {

// The bytes a field of `characters` characters takes in a record.
constexpr std::size_t fieldBytes(std::size_t characters) {
  return 4 * characters;
}

// The fills a record buffer can be cleared with: spaces, or the lowest or the
// highest value a field can hold (used as start points before key positioning).
enum class Fill { kSpaces = 0, kLowest = -1, kHighest = 1 };

// Byte that fills a field for the given fill.
char fillByte(Fill fill);

// Copies `value` into the field of `characters` characters: its first
// `characters` characters when it is longer, padded with spaces to the
// field's bytes.
void assignField(char* field, std::size_t characters, std::string_view value);

// The field's value without its trailing spaces.
std::string trimmedField(const char* field, std::size_t bytes);

// An untyped reference to one field of a record buffer.
class FieldRef {
 public:
  FieldRef(char* data, std::size_t characters) : data_(data), characters_(characters) {}

  void assign(std::string_view value) { assignField(data_, characters_, value); }
  std::string text() const { return trimmedField(data_, fieldBytes(characters_)); }
  std::string_view bytes() const { return {data_, fieldBytes(characters_)}; }
  std::size_t characters() const { return characters_; }

 private:
  char* data_;
  std::size_t characters_;
};

// A field of N characters. Only char members, so a struct of them has no
// padding and can be seen as the record's byte image.
template <std::size_t N>
struct FixedString {
  std::array<char, fieldBytes(N)> bytes;

  FixedString& operator=(std::string_view value) {
    assignField(bytes.data(), N, value);
    return *this;
  }
  std::string text() const { return trimmedField(bytes.data(), bytes.size()); }
  std::string_view view() const { return {bytes.data(), bytes.size()}; }
  FieldRef ref() { return {bytes.data(), N}; }
  void fill(Fill how) { bytes.fill(fillByte(how)); }

  // Whole-field comparison, padding included: "A" equals "A" + 19 spaces.
  friend bool operator==(const FixedString& a, const FixedString& b) { return a.bytes == b.bytes; }
  friend bool operator==(const FixedString& a, std::string_view b) {
    FixedString padded;
    padded = b;
    return a == padded;
  }
};

}  // namespace apprt
