#include "records/csv_export.h"

#include "records/counted.h"
#include "records/csv_format.h"
#include "records/file_failure.h"
#include "records/file_use.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace fesk::records {
namespace {

constexpr const char* kCannotWrite = "cannot write the CSV";

std::string headerRow(const apprt::FileDeclaration& file) {
  std::string line;
  for (const auto& field : file.fields()) {
    if (!line.empty()) line += ',';
    appendCsvField(line, csvHeading(field));
  }
  return line += kCsvLineEnd;
}

void appendRecord(const apprt::FileDeclaration& file, std::string& page) {
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    if (i) page += ',';
    appendCsvField(page, file.field(static_cast<int>(i)).text());
  }
  page += kCsvLineEnd;
}

// Writes the rows of the open file, a page at a time.
void writeRecords(const apprt::FileDeclaration& file, const apprt::KeyDeclaration& order,
                  std::ostream& out, const ExportProgress& progress, ExportOutcome& outcome) {
  file.setOnKey(order);
  std::string page;
  for (;;) {
    page.clear();
    std::uint64_t inPage = 0;
    for (; inPage < kExportPageRecords; ++inPage) {
      file.next();
      if (apprt::ERRCODE() != apprt::kNoError) break;
      appendRecord(file, page);
    }
    const int error = apprt::ERRCODE();
    if (error != apprt::kNoError && error != apprt::kNoMoreRecords) {
      outcome.why = fileFailure("read", file);
      return;
    }
    // Between pages no statement stays open, so that the readers' locks of
    // one driver do not keep other stations from committing.
    apprt::threadWillWait();
    if (!out.write(page.data(), static_cast<std::streamsize>(page.size()))) {
      outcome.why = kCannotWrite;
      return;
    }
    outcome.records += inPage;
    if (error == apprt::kNoMoreRecords) {
      outcome.done = true;
      return;
    }
    if (progress && !progress(outcome.records)) {
      outcome.stopped = true;
      outcome.why = "stopped after " + counted(outcome.records, "record");
      return;
    }
  }
}

}  // namespace

ExportOutcome exportCsv(const apprt::FileDeclaration& file, const apprt::KeyDeclaration& order,
                        std::ostream& out, const ExportProgress& progress) {
  ExportOutcome outcome;
  FileUse use(file, apprt::kOpenSharedReadOnly, WhenMissing::kLeaveMissing);
  if (!use.failure().empty()) {
    outcome.why = use.failure();
    return outcome;
  }
  const std::string header = headerRow(file);
  if (!out.write(header.data(), static_cast<std::streamsize>(header.size()))) {
    outcome.why = kCannotWrite;
    return outcome;
  }
  if (use.missing()) {
    outcome.done = true;
  } else {
    writeRecords(file, order, out, progress, outcome);
  }
  if (outcome.done && !out.flush()) {
    outcome.done = false;
    outcome.why = kCannotWrite;
  }
  return outcome;
}

}  // namespace fesk::records
