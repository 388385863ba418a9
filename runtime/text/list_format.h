#pragma once
// The list format: the text that lays out the columns of a list control, for
// example "80L(2)|M~code~L(2)@S20@". Each column starts with its width in
// dialog units, followed by elements in any order:
//   L R C D      alignment (left, right, centred, decimal), right after the width
//   (n)          indent of that alignment, may be negative
//   |            border on the right of the column
//   M            the user may resize the column
//   ~text~       header text (no '~' inside), optionally followed by its own
//                alignment and indent; without them it takes the column's
//   @picture@    picture of the column's cells, for example @S20@
//   #n#          the entry field (1-based display text) the column shows
// Any other character, with an optional "(...)" argument, is kept verbatim as
// an element this program does not interpret. A digit outside the delimited
// elements starts the next column.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace apprt {

enum class ListAlignment { kLeft, kRight, kCenter, kDecimal };

struct ListColumn {
  int width = 0;
  ListAlignment alignment = ListAlignment::kLeft;
  int indent = 0;
  bool rightBorder = false;
  bool resizable = false;
  bool hasHeader = false;
  std::string header;
  ListAlignment headerAlignment = ListAlignment::kLeft;
  int headerIndent = 0;
  std::string picture;  // picture text without the closing '@' ("@S20"); empty when none
  int fieldNumber = 0;  // 0: the field after the previous column's
  std::vector<std::string> otherElements;

  bool operator==(const ListColumn&) const = default;
};

// Parses a list format. A malformed text gives nothing and, when `error` is
// given, the offset and the reason.
std::optional<std::vector<ListColumn>> parseListFormat(std::string_view text,
                                                       std::string* error = nullptr);

// For each column, the 0-based index of the entry display text it shows.
std::vector<size_t> columnTextIndexes(const std::vector<ListColumn>& columns);

}  // namespace apprt
