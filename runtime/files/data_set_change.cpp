#include "runtime/files/data_set_change.h"

#include <mutex>

namespace apprt {
namespace {

std::mutex gHearerMutex;
DataSetChangeHearer& hearer() {
  static DataSetChangeHearer one;
  return one;
}

}  // namespace

void hearDataSetChanges(DataSetChangeHearer newHearer) {
  std::lock_guard lock(gHearerMutex);
  hearer() = std::move(newHearer);
}

void dataSetChanged(const std::string& fileName) {
  DataSetChangeHearer copy;
  {
    std::lock_guard lock(gHearerMutex);
    copy = hearer();
  }
  if (copy) copy(fileName);
}

}  // namespace apprt
