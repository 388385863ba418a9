#include "app/print_list.h"

#include "app/data_set.h"
#include "app/fesk1_in_use.h"
#include "app/pdf_output.h"
#include "data/record_writes.h"
#include "procedures/browse_fesk1.h"
#include "records/report_list.h"
#include "runtime/windows/print_preview.h"
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

void tell(const std::string& text, apprt::Icon icon) {
  apprt::messageBox(text, kTitle, icon, apprt::kButtonOk, apprt::kButtonOk);
}

// Asks for a PDF file and writes the list there under the busy cursor.
void writeToFile(const apprt::PrintedListHeader& header, apprt::PrintedListSource& source) {
  const auto path = apprt::askSavePath({0, kTitle, "fesk1.pdf", "PDF files", "pdf"});
  if (!path) return;
  {
    apprt::BusyCursor busy;
    writePdf(*path, header, source);
  }
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
    if (apprt::hasPrintPreview())
      apprt::printPreview(header, source);
    else
      writeToFile(header, source);
  } catch (const apprt::PrintError& e) {
    tell(e.what(), apprt::Icon::Warning);
  }
}

}  // namespace fesk
