#include "app/data_sets/named_data_set.h"

namespace fesk {

bool openNamedDataSet(const DataSetChoice& choice, DataSetUse use, NamedDataSet& dataSet,
                      std::string& why) {
  dataSet.choice = choice;
  if (why = dataSetMistake(choice, use); !why.empty()) return false;
  if (use != DataSetUse::kRead && !choice.kind->makePlace(choice, why)) return false;
  // On a server, taking the lock is also the first word with it: a server that
  // cannot be reached is told here, before anything is read.
  const bool locked = use == DataSetUse::kReplace
                          ? dataSet.lock.takeAlone(choice, why)
                          : dataSet.lock.share(choice, why, use == DataSetUse::kRead);
  if (!locked) return false;
  dataSet.driver = choice.kind->makeDriver(choice);
  dataSet.lock.keepTo(choice, *dataSet.driver);
  return true;
}

}  // namespace fesk
