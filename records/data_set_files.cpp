#include "records/data_set_files.h"

#include "data/data_files.h"

namespace fesk::records {

DataSetFiles::DataSetFiles(apprt::Driver& driver)
    : fesk1_(FESK1.fileName(), FESK1.fields(), FESK1.keys()),
      fesk2_(FESK2.fileName(), FESK2.fields(), FESK2.keys()),
      all_{&fesk1_, &fesk2_} {
  fesk1_.bindDriver(driver);
  fesk2_.bindDriver(driver);
}

}  // namespace fesk::records
