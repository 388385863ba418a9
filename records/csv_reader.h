#pragma once
// Reads CSV (csv_format.h) one row at a time, as written by this program or
// by a spreadsheet: fields quoted or not, quotes doubled inside quotes, line
// breaks inside quoted fields, rows ended by CR LF, LF or CR, a UTF-8 byte
// order mark at the start skipped, empty lines passed over.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace fesk::records {

struct CsvRow {
  std::uint64_t line = 0;  // the line the row starts on, 1 for the first
  std::vector<std::string> values;
  std::string error;  // when the row is malformed: why (its values are then incomplete)
};

class CsvReader {
 public:
  explicit CsvReader(std::istream& in);

  // The next row; false at the end of the input.
  bool next(CsvRow& row);

 private:
  int peek();
  int take();
  // Takes a line end (CR LF, LF or CR) when one is next.
  bool takeLineEnd();
  void readQuoted(std::string& value, CsvRow& row);
  void skipRestOfLine();

  std::streambuf& in_;
  std::uint64_t line_ = 1;
};

}  // namespace fesk::records
