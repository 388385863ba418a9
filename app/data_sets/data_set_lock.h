#pragma once
// Who works on a data set, whichever kind it is: every fesk shares it while
// it runs; replacing the data takes it alone. The hold is its kind's
// (runtime/files/data_set_kind.h).

#include <memory>
#include <string>

#include "app/data_sets/data_set.h"

namespace fesk {

class DataSetLock {
 public:
  // False, with the reason in `why`, while another fesk has the data set alone.
  // A data set that is only read gets nothing written into it.
  bool share(const DataSetChoice& dataSet, std::string& why, bool onlyRead = false);
  // False, with the reason in `why`, while another fesk uses the data set.
  bool takeAlone(const DataSetChoice& dataSet, std::string& why);
  // Has `driver`, which keeps the data set held last, keep to this lock: a
  // driver whose lock can be lost (a server's) takes it again.
  void keepTo(const DataSetChoice& dataSet, apprt::Driver& driver);

 private:
  // The hold for `dataSet`'s kind: the one held before when it is of that
  // kind, so a driver that keeps to it keeps to the lock taken now.
  apprt::DataSetHold& holdFor(const DataSetChoice& dataSet);

  const apprt::DataSetKind* kind_ = nullptr;
  std::unique_ptr<apprt::DataSetHold> hold_;
};

}  // namespace fesk
