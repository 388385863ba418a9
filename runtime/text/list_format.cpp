#include "runtime/text/list_format.h"

#include <cctype>
#include <charconv>

#include "runtime/text/picture.h"

namespace apprt {
namespace {

constexpr int kMaxDialogUnits = 32767;

bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

std::optional<ListAlignment> alignmentOf(char c) {
  switch (c) {
    case 'L':
      return ListAlignment::kLeft;
    case 'R':
      return ListAlignment::kRight;
    case 'C':
      return ListAlignment::kCenter;
    case 'D':
      return ListAlignment::kDecimal;
    default:
      return std::nullopt;
  }
}

class ListFormatParser {
 public:
  explicit ListFormatParser(std::string_view text) : text_(text) {}

  std::optional<std::vector<ListColumn>> parse(std::string* error) {
    std::vector<ListColumn> columns;
    while (ok_ && at_ < text_.size()) {
      if (!isDigit(text_[at_])) {
        fail("expected the width of a column");
        break;
      }
      columns.push_back(parseColumn());
    }
    if (!ok_) {
      if (error) *error = error_;
      return std::nullopt;
    }
    return columns;
  }

 private:
  ListColumn parseColumn() {
    ListColumn column;
    column.width = number(0, kMaxDialogUnits, "width");
    bool headerSeen = false, pictureSeen = false, fieldSeen = false;
    if (ok_ && at_ < text_.size() && alignmentOf(text_[at_])) {
      alignment(column.alignment, column.indent);
    }
    column.headerAlignment = column.alignment;
    column.headerIndent = column.indent;
    while (ok_ && at_ < text_.size() && !isDigit(text_[at_])) {
      const char c = text_[at_];
      if (c == '|') {
        column.rightBorder = true;
        ++at_;
      } else if (c == 'M') {
        column.resizable = true;
        ++at_;
      } else if (c == '~') {
        once(headerSeen, "header");
        column.hasHeader = true;
        column.header = delimited('~', "header");
        if (ok_ && at_ < text_.size() && alignmentOf(text_[at_])) {
          alignment(column.headerAlignment, column.headerIndent);
        }
      } else if (c == '@') {
        once(pictureSeen, "picture");
        column.picture = picture();
      } else if (c == '#') {
        once(fieldSeen, "field number");
        column.fieldNumber = fieldNumber();
      } else if (alignmentOf(c)) {
        fail(std::string("alignment '") + c + "' must follow the width or the header");
      } else {
        column.otherElements.push_back(otherElement());
      }
    }
    return column;
  }

  void alignment(ListAlignment& alignment, int& indent) {
    alignment = *alignmentOf(text_[at_++]);
    if (at_ < text_.size() && text_[at_] == '(') {
      ++at_;
      indent = number(-kMaxDialogUnits, kMaxDialogUnits, "indent");
      expect(')', "indent");
    }
  }

  // Text up to the closing delimiter; the opening one is at at_.
  std::string delimited(char delimiter, const char* what) {
    const size_t start = ++at_;
    const size_t end = text_.find(delimiter, start);
    if (end == std::string_view::npos) {
      at_ = start - 1;
      fail(std::string("unterminated ") + what + " (no closing '" + delimiter + "')");
      return {};
    }
    at_ = end + 1;
    return std::string(text_.substr(start, end - start));
  }

  std::string picture() {
    const size_t start = at_;
    std::string text = "@" + delimited('@', "picture");
    std::string why;
    if (ok_ && !Picture::parse(text, &why)) {
      at_ = start;
      fail(why);
    }
    return text;
  }

  int fieldNumber() {
    const size_t start = at_;
    const std::string digits = delimited('#', "field number");
    if (!ok_) return 0;
    int value = 0;
    const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (status != std::errc{} || end != digits.data() + digits.size() || value < 1 ||
        value > kMaxDialogUnits) {
      at_ = start;
      fail("field number must be a number from 1 to " + std::to_string(kMaxDialogUnits));
    }
    return value;
  }

  std::string otherElement() {
    const size_t start = at_++;
    if (at_ < text_.size() && text_[at_] == '(') {
      const size_t close = text_.find(')', at_);
      if (close == std::string_view::npos) {
        at_ = start;
        fail("unterminated argument (no closing ')')");
        return {};
      }
      at_ = close + 1;
    }
    return std::string(text_.substr(start, at_ - start));
  }

  int number(int low, int high, const char* what) {
    const char* begin = text_.data() + at_;
    int value = 0;
    const auto [end, status] = std::from_chars(begin, text_.data() + text_.size(), value);
    if (status != std::errc{} || value < low || value > high) {
      fail(std::string(what) + " must be a number from " + std::to_string(low) + " to " +
           std::to_string(high));
      return 0;
    }
    at_ += static_cast<size_t>(end - begin);
    return value;
  }

  void expect(char c, const char* what) {
    if (!ok_) return;
    if (at_ >= text_.size() || text_[at_] != c) {
      fail(std::string("expected '") + c + "' after the " + what);
      return;
    }
    ++at_;
  }

  void once(bool& seen, const char* what) {
    if (seen) fail(std::string("a column has only one ") + what);
    seen = true;
  }

  void fail(const std::string& why) {
    if (!ok_) return;
    ok_ = false;
    error_ =
        "list format \"" + std::string(text_) + "\", offset " + std::to_string(at_) + ": " + why;
  }

  std::string_view text_;
  size_t at_ = 0;
  bool ok_ = true;
  std::string error_;
};

}  // namespace

std::optional<std::vector<ListColumn>> parseListFormat(std::string_view text, std::string* error) {
  return ListFormatParser(text).parse(error);
}

std::vector<size_t> columnTextIndexes(const std::vector<ListColumn>& columns) {
  std::vector<size_t> indexes;
  indexes.reserve(columns.size());
  size_t next = 0;
  for (const ListColumn& column : columns) {
    const size_t index =
        column.fieldNumber > 0 ? static_cast<size_t>(column.fieldNumber - 1) : next;
    indexes.push_back(index);
    next = index + 1;
  }
  return indexes;
}

}  // namespace apprt
