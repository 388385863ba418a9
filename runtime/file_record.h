#pragma once
// Record fields: fixed-length, space-padded byte strings holding UTF-8.
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

namespace apprt {

// The fills a record buffer can be cleared with: spaces, or the lowest or the
// highest value a field can hold (used as start points before key positioning).
enum class Fill { kSpaces = 0, kLowest = -1, kHighest = 1 };

// Byte that fills a field for the given fill.
char fillByte(Fill fill);

// Copies `value` into the field of `size` bytes: cut at a UTF-8 character
// boundary when it is longer, padded with spaces when it is shorter.
void assignField(char* field, std::size_t size, std::string_view value);

// The field's value without its trailing spaces.
std::string trimmedField(const char* field, std::size_t size);

// The longest prefix of `value` of at most `limit` bytes that does not end
// inside a UTF-8 character.
std::size_t utf8CutPoint(std::string_view value, std::size_t limit);

// An untyped reference to one field of a record buffer.
class FieldRef {
 public:
  FieldRef(char* data, std::size_t size) : data_(data), size_(size) {}

  void assign(std::string_view value) { assignField(data_, size_, value); }
  std::string text() const { return trimmedField(data_, size_); }
  std::string_view bytes() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  char* data() const { return data_; }

 private:
  char* data_;
  std::size_t size_;
};

// A field of N bytes. Only char members, so a struct of them has no padding
// and can be seen as the record's byte image.
template <std::size_t N>
struct FixedString {
  std::array<char, N> bytes;

  FixedString& operator=(std::string_view value) {
    assignField(bytes.data(), N, value);
    return *this;
  }
  std::string text() const { return trimmedField(bytes.data(), N); }
  std::string_view view() const { return {bytes.data(), N}; }
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
