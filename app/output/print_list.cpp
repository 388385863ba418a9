#include "app/output/print_list.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "app/data_sets/data_set.h"
#include "app/data_sets/fesk1_in_use.h"
#include "app/output/pdf_output.h"
#include "data/record_writes.h"
#include "procedures/browse_fesk1.h"
#include "records/counted.h"
#include "records/report_list.h"
#include "runtime/windows/print_preview.h"
#include "runtime/windows/progress.h"
#include "runtime/windows/save_path.h"
#include "runtime/windows/windows.h"

namespace fesk {
namespace {

constexpr const char* kTitle = "Print List";

// FESK2 open in this thread while the list is read.
struct Fesk2InUse {
  Fesk2InUse() { AcquireFesk2(); }
  ~Fesk2InUse() { ReleaseFesk2(); }
};

// The reading of the list stopped by the user: nothing is shown or written.
struct ReadingStopped {};

// Reports the records read while the list is read, which over a large file
// takes a while, and stops the reading when the user asks.
class ReadWithProgress : public apprt::PrintedListSource {
 public:
  explicit ReadWithProgress(apprt::PrintedListSource& source) : source_(source) {
    progress_.emplace(kTitle);
  }

  bool read(std::vector<apprt::PrintedItem>& items) override {
    if (!source_.read(items)) {
      progress_.reset();  // read whole: the report goes before the file is told
      return false;
    }
    read_ += items.size();
    if (progress_ &&
        !progress_->update(records::counted(read_, "record") + " read", static_cast<long>(read_)))
      throw ReadingStopped{};
    return true;
  }

 private:
  apprt::PrintedListSource& source_;
  std::optional<apprt::Progress> progress_;
  std::uint64_t read_ = 0;
};

void tell(const std::string& text, apprt::Icon icon) {
  apprt::messageBox(text, kTitle, icon, apprt::kButtonOk, apprt::kButtonOk);
}

// Asks for a PDF file and writes the list there under the busy cursor.
void writeToFile(const apprt::PrintedListHeader& header, apprt::PrintedListSource& source) {
  const auto path = apprt::askSavePath({0, kTitle, "fesk1.pdf", "PDF files", "pdf"});
  if (!path) return;
  {
    apprt::BusyCursor busy;
    ReadWithProgress reading(source);
    writePdf(*path, header, reading);
  }
  apprt::fileWritten(*path);
  tell("The list was written to " + *path + ".", apprt::Icon::None);
}

}  // namespace

void PrintList() {
  using records::ListOrder;
  const ListOrder order =
      FrontBrowseFesk1SortOrder() == kSortByName ? ListOrder::kName : ListOrder::kCode;
  Fesk1InUse fesk1;
  Fesk2InUse fesk2;
  records::RecordListSource source(order);
  const apprt::PrintedListHeader header =
      records::recordListHeader(order, dataSetName(), records::printDate());
  try {
    if (apprt::hasPrintPreview()) {
      // The preview reads what it shows and reports its own long work.
      apprt::printPreview(header, source);
    } else {
      writeToFile(header, source);
    }
  } catch (const apprt::PrintError& e) {
    tell(e.what(), apprt::Icon::Warning);
  } catch (const ReadingStopped&) {
    // The user stopped it and knows; a file being written is left as it was.
  }
}

}  // namespace fesk
