#include "app/named_data_set.h"

#include "drivers/postgres/pg_driver.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"

namespace fesk {

bool openNamedDataSet(const DataSetChoice& choice, DataSetUse use, NamedDataSet& dataSet,
                      std::string& why) {
  dataSet.choice = choice;
  if (why = dataSetMistake(choice, use); !why.empty()) return false;
  if (!choice.onServer() && use != DataSetUse::kRead &&
      !apprt::makeDataDirectory(choice.directory, &why)) {
    return false;
  }
  // On a server, taking the lock is also the first word with it: a server that
  // cannot be reached is told here, before anything is read.
  const bool locked = use == DataSetUse::kReplace
                          ? dataSet.lock.takeAlone(choice, why)
                          : dataSet.lock.share(choice, why, use == DataSetUse::kRead);
  if (!locked) return false;
  if (choice.onServer()) {
    auto driver = std::make_unique<postgres::PgDriver>(choice.conninfo, choice.schema);
    driver->workUnder(dataSet.lock.serverLock());
    dataSet.driver = std::move(driver);
  } else {
    dataSet.driver = std::make_unique<sqlite::SqliteDriver>(choice.directory);
  }
  return true;
}

}  // namespace fesk
