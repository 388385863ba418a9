#include "records/csv_reader.h"

#include "records/csv_format.h"
#include "runtime/text/utf8.h"

namespace fesk::records {
namespace {

constexpr int kEnd = std::char_traits<char>::eof();

// The first byte of `line` that no value may hold (a NUL, or a byte that
// starts no UTF-8 character), as "a NUL byte at column 7", or nothing.
std::string encodingMistake(std::string_view line) {
  std::size_t column = 1;
  for (std::size_t at = 0; at < line.size(); ++column) {
    const std::size_t length = apprt::utf8SequenceLength(line, at);
    if (line[at] == '\0' || length == 0) {
      return std::string(line[at] == '\0' ? "a NUL byte" : "text that is not UTF-8") +
             " at column " + std::to_string(column);
    }
    at += length;
  }
  return {};
}

}  // namespace

std::string separatorName(char separator) {
  switch (separator) {
    case ';':
      return "semicolons";
    case '\t':
      return "tabs";
    default:
      return "commas";
  }
}

CsvReader::CsvReader(std::istream& in) : in_(*in.rdbuf()) {
  // Only a whole mark is skipped: the first bytes of one are text.
  for (const char mark : kByteOrderMark) {
    if (in_.sgetc() != static_cast<unsigned char>(mark)) break;
    unread_ += static_cast<char>(in_.sbumpc());
  }
  if (unread_ == kByteOrderMark) unread_.clear();
}

int CsvReader::peek() {
  return unread_.empty() ? in_.sgetc() : static_cast<unsigned char>(unread_.front());
}

int CsvReader::take() {
  if (unread_.empty()) return in_.sbumpc();
  const int c = static_cast<unsigned char>(unread_.front());
  unread_.erase(0, 1);
  return c;
}

bool CsvReader::takeLineEnd(std::string* taken) {
  const int c = peek();
  if (c != '\r' && c != '\n') return false;
  take();
  if (taken) *taken += static_cast<char>(c);
  if (c == '\r' && peek() == '\n') {
    take();
    if (taken) *taken += '\n';
  }
  ++line_;
  physicalLine_.clear();
  return true;
}

void CsvReader::checkLine(CsvRow& row) {
  if (!row.error.empty()) return;
  row.error = encodingMistake(physicalLine_);
  if (!row.error.empty() && line_ != row.line) {
    row.error += " of line " + std::to_string(line_);
  }
}

void CsvReader::fail(CsvRow& row, State& state, std::string why) {
  if (row.error.empty()) row.error = std::move(why);
  state = State::kSkipping;
}

bool CsvReader::separates(char byte) {
  if (separatorKnown_) return byte == separator_;
  if (byte != ',' && byte != ';' && byte != '\t') return false;
  separator_ = byte;
  separatorKnown_ = true;
  return true;
}

bool CsvReader::next(CsvRow& row) {
  // Only the first row chooses the separator, even one that had none.
  separatorKnown_ = separatorKnown_ || firstRowTaken_;
  firstRowTaken_ = true;
  row = CsvRow{};
  State state = State::kFieldStart;
  std::uint64_t quoteLine = 0;  // where the quoted value being read began
  for (;;) {
    const int c = peek();
    const bool lineEnd = c == '\r' || c == '\n';
    if (row.line == 0) {  // nothing of the row read yet
      if (c == kEnd) return false;
      if (lineEnd) {
        takeLineEnd(nullptr);
        ++emptyLines_;
        continue;
      }
      row.line = line_;
      row.values.emplace_back();
    }
    if (c == kEnd) {
      checkLine(row);
      // A line end as the last byte of a quoted value ends the line before.
      row.lastLine = physicalLine_.empty() ? line_ - 1 : line_;
      if (state == State::kQuoted) {
        fail(row, state,
             "value " + std::to_string(row.values.size()) + ", quoted from line " +
                 std::to_string(quoteLine) + ", is not closed where the input ends, in line " +
                 std::to_string(row.lastLine));
      }
      return true;
    }
    if (lineEnd) {
      checkLine(row);
      if (state != State::kQuoted) {
        row.lastLine = line_;
        takeLineEnd(nullptr);
        return true;
      }
      takeLineEnd(&row.values.back());  // a line break inside a quoted value is kept
      continue;
    }
    const char byte = static_cast<char>(take());
    physicalLine_ += byte;
    std::string& value = row.values.back();
    const auto position = [&] { return std::to_string(row.values.size()); };
    switch (state) {
      case State::kFieldStart:
      case State::kUnquoted:
        if (separates(byte)) {
          row.values.emplace_back();
          state = State::kFieldStart;
        } else if (byte == '"' && state == State::kFieldStart) {
          state = State::kQuoted;
          quoteLine = line_;
        } else if (byte == '"') {
          fail(row, state, "a quote inside value " + position() + ", which is not quoted");
        } else {
          value += byte;
          state = State::kUnquoted;
        }
        break;
      case State::kQuoted:
        if (byte == '"') {
          state = State::kQuoteInQuoted;
        } else {
          value += byte;
        }
        break;
      case State::kQuoteInQuoted:
        if (byte == '"') {
          value += byte;
          state = State::kQuoted;
        } else if (separates(byte)) {
          row.values.emplace_back();
          state = State::kFieldStart;
        } else {
          fail(row, state, "text follows the closing quote of value " + position());
        }
        break;
      case State::kSkipping:
        break;
    }
  }
}

}  // namespace fesk::records
