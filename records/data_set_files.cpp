#include "records/data_set_files.h"

#include "data/data_files.h"
#include "records/file_use.h"
#include "runtime/files/file_history.h"

namespace fesk::records {

DataSetFiles::DataSetFiles(apprt::Driver& driver)
    : fesk1_(FESK1.fileName(), FESK1.fields(), FESK1.keys()),
      fesk2_(FESK2.fileName(), FESK2.fields(), FESK2.keys()),
      all_{&fesk1_, &fesk2_} {
  fesk1_.bindDriver(driver);
  fesk2_.bindDriver(driver);
  // As the program's own: their history goes with their records.
  for (const apprt::FileDeclaration* file : all_) apprt::keepHistory(*file);
}

DataSetFiles::~DataSetFiles() {
  for (const apprt::FileDeclaration* file : all_) apprt::keepNoHistory(*file);
}

bool holdsDataFiles(apprt::Driver& driver, std::string& why) {
  const DataSetFiles files(driver);
  const FileUse fesk1(files.fesk1(), apprt::kOpenReadOnly, WhenMissing::kLeaveMissing);
  const FileUse fesk2(files.fesk2(), apprt::kOpenReadOnly, WhenMissing::kLeaveMissing);
  for (const FileUse* use : {&fesk1, &fesk2}) {
    if (!use->failure().empty()) why = use->failure();
  }
  return why.empty() && !(fesk1.missing() && fesk2.missing());
}

}  // namespace fesk::records
