#include "app/data_sets/data_set_lock.h"

namespace fesk {

apprt::DataSetHold& DataSetLock::holdFor(const DataSetChoice& dataSet) {
  if (kind_ != dataSet.kind) {
    hold_ = dataSet.kind->newHold();
    kind_ = dataSet.kind;
  }
  return *hold_;
}

bool DataSetLock::share(const DataSetChoice& dataSet, std::string& why, bool onlyRead) {
  return holdFor(dataSet).share(dataSet, onlyRead, why);
}

bool DataSetLock::takeAlone(const DataSetChoice& dataSet, std::string& why) {
  return holdFor(dataSet).takeAlone(dataSet, why);
}

void DataSetLock::keepTo(const DataSetChoice& dataSet, apprt::Driver& driver) {
  dataSet.kind->workUnder(driver, holdFor(dataSet));
}

}  // namespace fesk
