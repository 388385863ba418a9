#pragma once
// Reads CSV (csv_format.h) one row at a time, as written by this program or
// by a spreadsheet: fields quoted or not, quotes doubled inside quotes, line
// breaks inside quoted fields, rows ended by CR LF, LF or CR, a UTF-8 byte
// order mark at the start skipped, empty lines passed over (and counted).
// Values are separated by commas, semicolons or tabs: spreadsheets in many
// locales save with semicolons. The first of them outside quotes in the
// first row (the header) is the separator of the whole input; a first row
// with none of them is a single column, and commas separate what follows.
//
// No input is dropped unseen: every physical line of the input belongs to
// one row (whose first and last lines it tells), or is an empty line. A row
// that cannot be read whole carries why: a quote where none may be, a NUL
// byte or text that is not UTF-8 (with its line and column), a quoted value
// still open where the input ends (with the line where it began).

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace fesk::records {

struct CsvRow {
  std::uint64_t line = 0;      // the line the row starts on, 1 for the first
  std::uint64_t lastLine = 0;  // the line it ends on
  std::vector<std::string> values;
  std::string error;  // when the row is malformed: why (its values are then incomplete)
};

// What a separator is called in a message: "commas", "semicolons", "tabs".
std::string separatorName(char separator);

class CsvReader {
 public:
  explicit CsvReader(std::istream& in);

  // The next row; false at the end of the input.
  bool next(CsvRow& row);

  // The empty lines passed over so far.
  std::uint64_t emptyLines() const { return emptyLines_; }

  // The separator of values: found in the first row, ',' until then.
  char separator() const { return separator_; }

 private:
  enum class State {
    kFieldStart,     // at the start of a value
    kUnquoted,       // inside a value that is not quoted
    kQuoted,         // inside a quoted value
    kQuoteInQuoted,  // after a quote inside a quoted value: its end, or a doubled quote
    kSkipping,       // after a mistake, to the end of the line
  };

  int peek();
  int take();
  // Takes a line end (CR LF, LF or CR) when one is next, adding its bytes to
  // `taken` when given.
  bool takeLineEnd(std::string* taken);
  // Checks the physical line just read for NUL bytes and UTF-8.
  void checkLine(CsvRow& row);
  void fail(CsvRow& row, State& state, std::string why);
  // Whether `byte` ends a value, learning the separator in the first row.
  bool separates(char byte);

  std::streambuf& in_;
  std::uint64_t line_ = 1;
  std::uint64_t emptyLines_ = 0;
  char separator_ = ',';
  bool separatorKnown_ = false;  // a separator was met, or the first row is over
  bool firstRowTaken_ = false;
  std::string physicalLine_;  // the bytes of the current line read so far
  std::string unread_;        // bytes read ahead at the start that are no byte order mark
};

}  // namespace fesk::records
