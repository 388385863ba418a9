#include "app/output/export_list.h"

#include "app/data_sets/fesk1_in_use.h"
#include "procedures/browse_fesk1.h"
#include "records/counted.h"
#include "records/csv_export.h"
#include "runtime/files/replaced_file.h"
#include "runtime/windows/progress.h"
#include "runtime/windows/save_path.h"
#include "runtime/windows/windows.h"

namespace fesk {
namespace {

constexpr const char* kTitle = "Export List";

void tell(const std::string& text, apprt::Icon icon) {
  apprt::messageBox(text, kTitle, icon, apprt::kButtonOk, apprt::kButtonOk);
}

std::string recordsWritten(std::uint64_t records) {
  return records::counted(records, "record") + " written";
}

}  // namespace

void ExportList() {
  const apprt::KeyDeclaration& order =
      FrontBrowseFesk1SortOrder() == kSortByName ? FES_KEYNAME : FES_KEYCODE;
  const auto path = apprt::askSavePath({0, kTitle, "fesk1.csv", "CSV files", "csv"});
  if (!path) return;
  Fesk1InUse fesk1;
  apprt::ReplacedFile file(*path);
  if (std::string why; !file.open(why)) return tell(why, apprt::Icon::Warning);
  records::ExportOutcome outcome;
  {
    apprt::BusyCursor busy;
    apprt::Progress progress(kTitle);
    outcome = records::exportCsv(FESK1, order, file.stream(), [&](std::uint64_t written) {
      return progress.update(recordsWritten(written), static_cast<long>(written));
    });
  }
  if (outcome.stopped) return;  // the user stopped it and knows
  std::string why;
  if (!outcome.done || !file.commit(why))
    return tell(outcome.done ? why : outcome.why, apprt::Icon::Warning);
  apprt::fileWritten(*path);
  tell(recordsWritten(outcome.records) + " to " + *path + ".", apprt::Icon::None);
}

}  // namespace fesk
