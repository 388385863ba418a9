#pragma once
// A data set that a command opens beside the one of the process, as copy,
// backup and restore do: its own driver, and its lock held as long as it is
// open (data_set_lock.h).

#include <memory>
#include <string>

#include "app/data_sets/data_set.h"
#include "app/data_sets/data_set_lock.h"
#include "runtime/files/driver.h"

namespace fesk {

struct NamedDataSet {
  DataSetChoice choice;
  DataSetLock lock;  // outlives the driver, which takes it again after a lost session
  std::unique_ptr<apprt::Driver> driver;
};

// Opens the data set `choice` for `use`; false, with the reason in `why`, when
// it cannot be used that way.
bool openNamedDataSet(const DataSetChoice& choice, DataSetUse use, NamedDataSet& dataSet,
                      std::string& why);

}  // namespace fesk
