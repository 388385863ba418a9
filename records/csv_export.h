#pragma once
// Writes a declared file as CSV (csv_format.h) in the order of one of its
// keys: the header row of its column names, then one row per record with each
// field's value as stored, trailing blanks left out.
//
// The records are read through the file layer, so the export works alike on
// every driver: all at once from one moment of the file where the driver
// sends them as one stream (bulk_read.h), else a page at a time, letting go
// of the driver between pages (other stations can write meanwhile; each
// record is written as it stood when its page was read). Either way its
// memory does not grow with the file. The calling thread's instance of the
// file is used: opened for reading when the thread does not have it open (and
// closed again), otherwise used as it is, its sequential position moved when
// it is read record by record.
//
//   std::ofstream out(path, std::ios::binary);
//   auto outcome = exportCsv(FESK1, FES_KEYNAME, out, [&](std::uint64_t written) {
//     showProgress(written);
//     return !cancelled;
//   });
//   if (!outcome.done) tell(outcome.why);

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

// Told the number of records written so far after every page; answering false
// stops the export there.
using ExportProgress = std::function<bool(std::uint64_t recordsWritten)>;

struct ExportOutcome {
  bool done = false;          // every record is written
  bool stopped = false;       // the progress callback stopped it
  std::uint64_t records = 0;  // records written
  std::string why;            // when not done: why, in words for the user
};

// The records written per page, between two looks at the progress callback.
inline constexpr std::uint64_t kExportPageRecords = 500;

// A file that does not exist yet is exported as its header row alone.
ExportOutcome exportCsv(const apprt::FileDeclaration& file, const apprt::KeyDeclaration& order,
                        std::ostream& out, const ExportProgress& progress = {});

}  // namespace fesk::records
