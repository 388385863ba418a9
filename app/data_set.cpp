#include "app/data_set.h"

#include "app/data_directory_lock.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/data_directory.h"

namespace fesk {

const std::string_view kDataSetUsage =
    "  --data-dir DIR     where the data files FESK1 and FESK2 live (created when missing)\n";

bool readDataSetOption(ArgumentReader& arguments, DataSetOptions& options) {
  return arguments.option("--data-dir", options.dataDir);
}

bool useDataSet(const DataSetOptions& options, std::string& why) {
  if (!apprt::setDataDirectory(
          options.dataDir ? std::filesystem::path(*options.dataDir) : apprt::dataDirectory(),
          &why)) {
    return false;
  }
  // Held as long as the process runs: a restore then knows this fesk has the
  // files open.
  static DataDirectoryLock lock;
  return lock.share(apprt::dataDirectory(), why);
}

apprt::Driver& dataSetDriver() {
  return sqlite::defaultDriver();
}

}  // namespace fesk
