#include "app/data_set_lock.h"

namespace fesk {

void DataSetLock::release() {
  directory_ = DataDirectoryLock();
  schema_.release();
}

bool DataSetLock::share(const DataSetChoice& dataSet, std::string& why, bool onlyRead) {
  release();
  return dataSet.onServer() ? schema_.share(dataSet.conninfo, dataSet.schema, why)
                            : directory_.share(dataSet.directory, why, !onlyRead);
}

bool DataSetLock::takeAlone(const DataSetChoice& dataSet, std::string& why) {
  release();
  return dataSet.onServer() ? schema_.takeAlone(dataSet.conninfo, dataSet.schema, why)
                            : directory_.takeAlone(dataSet.directory, why);
}

}  // namespace fesk
