#pragma once
// Adds the records of a CSV (csv_format.h, csv_columns.h) to FESK1 or FESK2,
// all in one transaction: either every good row is stored or none is.
//
// The values are separated by commas, semicolons or tabs, whichever the
// header uses (csv_reader.h); the outcome tells which.
//
// A row is bad when it is malformed (csv_reader.h: a stray quote, a NUL byte,
// text that is not UTF-8, a quoted value not closed), has another number of
// values than the header, has a value too long for its field,
// duplicates a unique key (of a stored record or of an earlier row), or, in
// FESK2, names a code that has no FESK1 record. Every bad row is listed with
// its line and why. Without `skipBad` one bad row means nothing is stored;
// with it the good rows are.
//
// The calling thread opens FESK1 and FESK2 (creating them when missing) and
// closes them again, unless it had them open. Stopping through the progress
// callback rolls everything back.

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

struct BadRow {
  std::uint64_t line;      // the first line of the row
  std::uint64_t lastLine;  // its last line (a quoted value may hold line breaks)
  std::string why;
};

struct ImportOptions {
  bool skipBad = false;
  // Told the rows read so far every few hundred rows and once more before the
  // commit; answering false stops the import (nothing is stored).
  std::function<bool(std::uint64_t rowsRead)> progress = nullptr;
  // How long to wait for other stations' transactions to end.
  int waitSeconds = 10;
};

struct ImportOutcome {
  bool stored = false;           // the transaction committed (the good rows are stored)
  bool stopped = false;          // the progress callback stopped it
  std::uint64_t added = 0;       // records stored
  std::vector<BadRow> bad;       // in the order of the input
  std::uint64_t emptyLines = 0;  // lines passed over, holding nothing
  char separator = ',';          // of the values, as found in the header
  std::string why;               // when nothing was stored for another reason than bad rows
};

// The rows read between two calls of the progress callback.
inline constexpr std::uint64_t kImportProgressRows = 500;

ImportOutcome importCsv(const apprt::FileDeclaration& file, std::istream& in,
                        const ImportOptions& options = {});

}  // namespace fesk::records
