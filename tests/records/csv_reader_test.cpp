// Reading CSV: generated files of every shape (quoting, line breaks inside
// values, BOM, CR LF, NUL bytes, cut short anywhere) are read back value for
// value, and no line of them is ever lost: each belongs to a row that was
// read or named as bad, or is an empty line.

#include "records/csv_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "records/csv_format.h"

namespace fesk::test {
namespace {

using namespace std::string_literals;

using records::CsvReader;
using records::CsvRow;

struct Read {
  std::vector<CsvRow> rows;
  std::uint64_t emptyLines = 0;
};

Read readAll(const std::string& text) {
  std::istringstream in(text);
  CsvReader reader(in);
  Read read;
  for (CsvRow row; reader.next(row);) read.rows.push_back(row);
  read.emptyLines = reader.emptyLines();
  return read;
}

// The physical lines of `text` after a byte order mark: every line end (CR
// LF, LF or CR) ends one, and bytes after the last line end make one more.
std::uint64_t physicalLines(std::string_view text) {
  if (text.starts_with(records::kByteOrderMark)) text.remove_prefix(records::kByteOrderMark.size());
  std::uint64_t lines = 0;
  std::size_t lineStart = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\r' && text[at] != '\n') continue;
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    ++lines;
    lineStart = at + 1;
  }
  return lines + (lineStart < text.size() ? 1 : 0);
}

// Every line is in exactly one row, or an empty line; rows follow each other.
void expectEveryLineAccountedFor(const std::string& text, const std::string& what) {
  const Read read = readAll(text);
  std::uint64_t lines = read.emptyLines;
  std::uint64_t previousLast = 0;
  for (const CsvRow& row : read.rows) {
    ASSERT_LE(row.line, row.lastLine) << what;
    ASSERT_GT(row.line, previousLast) << what << ": rows overlap";
    previousLast = row.lastLine;
    lines += row.lastLine - row.line + 1;
  }
  EXPECT_EQ(lines, physicalLines(text)) << what;
}

std::string quotedField(const std::string& value) {
  std::string text = "\"";
  for (const char c : value) text += c == '"' ? std::string("\"\"") : std::string(1, c);
  return text + '"';
}

std::string randomValue(std::mt19937& random) {
  static const std::vector<std::string> pieces{"a",  "Zoë", "東京", ",", "\"", "\r\n", "\n",
                                               "\r", " ",   "x y",  "☃", "",   ";",    "\t"};
  std::string value;
  for (int n = std::uniform_int_distribution(0, 4)(random); n > 0; --n) {
    value += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
  }
  return value;
}

bool holdsAny(const std::string& value, std::string_view bytes) {
  return value.find_first_of(bytes) != std::string::npos;
}

// A CSV of random rows as a spreadsheet might write it: values separated by
// commas, semicolons or tabs, quoted when they must be (in the header also
// when they hold another separator, which would be taken for the file's) and
// sometimes when they need not, lines ended by CR LF or LF.
std::string randomCsv(std::mt19937& random, std::vector<std::vector<std::string>>& rows) {
  std::string text = random() % 2 ? std::string(records::kByteOrderMark) : "";
  const std::string lineEnd = random() % 2 ? "\r\n" : "\n";
  const char separator = ",;\t"[random() % 3];
  const std::size_t columns = std::uniform_int_distribution(1, 4)(random);
  rows.assign(std::uniform_int_distribution(1, 6)(random), std::vector<std::string>(columns));
  for (std::size_t index = 0; index < rows.size(); ++index) {
    auto& row = rows[index];
    std::string line;
    for (std::size_t column = 0; column < row.size(); ++column) {
      row[column] = randomValue(random);
      if (column > 0) line += separator;
      // One column shows no separator: the reader keeps to commas then.
      const char read = columns > 1 ? separator : ',';
      const bool mustQuote = holdsAny(row[column], std::string("\"\r\n") + read) ||
                             (index == 0 && holdsAny(row[column], ",;\t"));
      if (row[column].empty() && row.size() == 1) {
        line += "\"\"";  // alone and unquoted, it would be an empty line
      } else if (mustQuote || random() % 4 == 0) {
        line += quotedField(row[column]);
      } else if (separator == ',') {
        records::appendCsvField(line, row[column]);
      } else {
        line += row[column];
      }
    }
    text += line + lineEnd;
  }
  return text;
}

TEST(CsvReaderTest, GeneratedFilesAreReadBackAndNoLineIsEverLost) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::vector<std::string>> rows;
    const std::string text = randomCsv(random, rows);
    const Read read = readAll(text);
    ASSERT_EQ(read.rows.size(), rows.size()) << text;
    for (std::size_t index = 0; index < rows.size(); ++index) {
      EXPECT_EQ(read.rows[index].error, "") << text;
      EXPECT_EQ(read.rows[index].values, rows[index]) << text;
    }
    expectEveryLineAccountedFor(text, text);

    // The same file damaged: cut short, or with a NUL byte or a stray quote
    // put anywhere.
    std::string damaged = text;
    const std::size_t at = random() % (text.size() + 1);
    switch (random() % 3) {
      case 0:
        damaged.resize(at);
        break;
      case 1:
        damaged.insert(at, 1, '\0');
        break;
      default:
        damaged.insert(at, 1, '"');
        break;
    }
    expectEveryLineAccountedFor(damaged, "damaged at byte " + std::to_string(at) + ": " + text);
  }
}

TEST(CsvReaderTest, AFileCutShortAtAnyByteLosesNoLine) {
  const std::string text =
      "\xEF\xBB\xBF"
      "CODE,NAME\r\n\"A,1\",\"two\r\nlines\"\r\n\r\nB,\"say \"\"hi\"\"\"\nC,\"open\rx\"";
  for (std::size_t length = 0; length <= text.size(); ++length) {
    expectEveryLineAccountedFor(text.substr(0, length), "cut at " + std::to_string(length));
  }
}

TEST(CsvReaderTest, WhatCannotBeReadIsNamedWithItsLines) {
  const Read unclosed = readAll("CODE,NAME\nA,x\nB,\"never\nclosed\nC,y\n\n");
  ASSERT_EQ(unclosed.rows.size(), 3u);
  EXPECT_EQ(unclosed.rows[2].line, 3u);
  EXPECT_EQ(unclosed.rows[2].lastLine, 6u);
  EXPECT_EQ(unclosed.rows[2].error,
            "value 2, quoted from line 3, is not closed where the input ends, in line 6");

  const Read encodings = readAll("A,b\0c\nÉ,\xC3\n\"x\n\xFF\",y\n"s);
  ASSERT_EQ(encodings.rows.size(), 3u);
  EXPECT_EQ(encodings.rows[0].error, "a NUL byte at column 4");
  EXPECT_EQ(encodings.rows[1].error, "text that is not UTF-8 at column 3");
  EXPECT_EQ(encodings.rows[2].error, "text that is not UTF-8 at column 1 of line 4");
  EXPECT_EQ(encodings.rows[2].lastLine, 4u);

  const Read quotes = readAll("ab\"c,d\n\"e\"f,g\nh,i\n");
  ASSERT_EQ(quotes.rows.size(), 3u);
  EXPECT_EQ(quotes.rows[0].error, "a quote inside value 1, which is not quoted");
  EXPECT_EQ(quotes.rows[1].error, "text follows the closing quote of value 1");
  EXPECT_EQ(quotes.rows[2].values, (std::vector<std::string>{"h", "i"}))
      << "the row after a bad one is read as it is";
}

}  // namespace
}  // namespace fesk::test
