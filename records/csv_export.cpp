#include "records/csv_export.h"

#include "records/counted.h"
#include "records/csv_format.h"
#include "records/file_failure.h"
#include "records/file_use.h"
#include "runtime/files/bulk_read.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"
#include "runtime/text/key_text.h"

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
  const std::span<const char> record = file.recordBytes();
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    if (i) page += ',';
    appendCsvField(page, apprt::withoutPadding(file.fieldBytesIn(record, static_cast<int>(i))));
  }
  page += kCsvLineEnd;
}

// The rows of the file on their way out, a page at a time, with a look at
// the progress callback after every full page.
class Pages {
 public:
  Pages(const apprt::FileDeclaration& file, std::ostream& out, const ExportProgress& progress,
        ExportOutcome& outcome)
      : file_(file), out_(out), progress_(progress), outcome_(outcome) {}

  // Takes the record in the file's buffer; false when the export ends here.
  bool take() {
    appendRecord(file_, page_);
    return ++inPage_ < kExportPageRecords || written(/*last=*/false);
  }

  // Writes what the page holds; `last`: every record was taken.
  bool written(bool last) {
    // Between pages no statement stays open, so that the readers' locks of
    // one driver do not keep other stations from committing.
    apprt::threadWillWait();
    if (!out_.write(page_.data(), static_cast<std::streamsize>(page_.size()))) {
      outcome_.why = kCannotWrite;
      return false;
    }
    outcome_.records += inPage_;
    page_.clear();
    inPage_ = 0;
    if (last) {
      outcome_.done = true;
    } else if (progress_ && !progress_(outcome_.records)) {
      outcome_.stopped = true;
      outcome_.why = "stopped after " + counted(outcome_.records, "record");
    }
    return outcome_.why.empty();
  }

 private:
  const apprt::FileDeclaration& file_;
  std::ostream& out_;
  const ExportProgress& progress_;
  ExportOutcome& outcome_;
  std::string page_;
  std::uint64_t inPage_ = 0;
};

// Writes the rows of the open file: read at once where the driver can (the
// requests then do not grow with the records), else record by record.
void writeRecords(const apprt::FileDeclaration& file, const apprt::KeyDeclaration& order,
                  std::ostream& out, const ExportProgress& progress, ExportOutcome& outcome) {
  Pages pages(file, out, progress, outcome);
  bool going = true;
  if (!apprt::readInBulk(file, &order, [&] { return going = pages.take(); })) {
    file.setOnKey(order);
    while (going) {
      file.next();
      if (apprt::ERRCODE() != apprt::kNoError) break;
      going = pages.take();
    }
    if (going && apprt::ERRCODE() == apprt::kNoMoreRecords) apprt::clearError();
  }
  if (!going) return;
  if (apprt::ERRCODE() != apprt::kNoError) {
    outcome.why = fileFailure("read", file);
    return;
  }
  pages.written(/*last=*/true);
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
