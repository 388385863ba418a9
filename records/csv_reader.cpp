#include "records/csv_reader.h"

namespace fesk::records {
namespace {

constexpr int kEnd = std::char_traits<char>::eof();
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

CsvReader::CsvReader(std::istream& in) : in_(*in.rdbuf()) {
  for (const char* mark = kByteOrderMark; *mark && peek() == static_cast<unsigned char>(*mark);
       ++mark) {
    take();
  }
}

int CsvReader::peek() {
  return in_.sgetc();
}

int CsvReader::take() {
  return in_.sbumpc();
}

bool CsvReader::takeLineEnd() {
  if (peek() == '\r') {
    take();
    if (peek() == '\n') take();
  } else if (peek() == '\n') {
    take();
  } else {
    return false;
  }
  ++line_;
  return true;
}

void CsvReader::skipRestOfLine() {
  while (peek() != kEnd && !takeLineEnd()) take();
}

void CsvReader::readQuoted(std::string& value, CsvRow& row) {
  take();  // the opening quote
  for (;;) {
    const int c = take();
    if (c == kEnd) {
      row.error = "a quoted value is not closed";
      return;
    }
    if (c == '"') {
      if (peek() != '"') return;
      take();
    } else if (c == '\n' || (c == '\r' && peek() != '\n')) {
      ++line_;
    }
    value += static_cast<char>(c);
  }
}

bool CsvReader::next(CsvRow& row) {
  while (takeLineEnd()) {
  }
  if (peek() == kEnd) return false;
  row.line = line_;
  row.values.assign(1, std::string());
  row.error.clear();
  for (;;) {
    std::string& value = row.values.back();
    const int c = peek();
    if (c == kEnd || takeLineEnd()) return true;
    if (c == ',') {
      take();
      row.values.emplace_back();
    } else if (c == '"' && value.empty()) {
      readQuoted(value, row);
      if (row.error.empty() && peek() != ',' && peek() != '\r' && peek() != '\n' &&
          peek() != kEnd) {
        row.error = "text follows the closing quote of value " + std::to_string(row.values.size());
      }
    } else if (c == '"') {
      row.error =
          "a quote inside value " + std::to_string(row.values.size()) + ", which is not quoted";
    } else {
      value += static_cast<char>(take());
    }
    if (!row.error.empty()) {
      skipRestOfLine();
      return true;
    }
  }
}

}  // namespace fesk::records
