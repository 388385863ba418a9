#include "app/named_data_set.h"

#include <regex>

#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/data_directory.h"

namespace fesk {

bool isConnectionString(std::string_view name) {
  if (name.starts_with("postgresql://") || name.starts_with("postgres://")) return true;
  static const std::regex keyValueWord(R"((^|\s)[A-Za-z_]+\s*=)");
  return std::regex_search(name.begin(), name.end(), keyValueWord);
}

bool openNamedDataSet(const std::string& name, DataSetUse use, NamedDataSet& dataSet,
                      std::string& why) {
  dataSet.name = name;
  if (isConnectionString(name)) {
    why = "this fesk has no PostgreSQL driver, so it cannot use " + name;
    return false;
  }
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::absolute(name, error);
  if (use == DataSetUse::kRead && !std::filesystem::is_directory(directory, error)) {
    why = "there is no data directory " + name;
    return false;
  }
  if (use != DataSetUse::kRead && !apprt::makeDataDirectory(directory, &why)) return false;
  dataSet.directory = std::filesystem::weakly_canonical(directory, error);
  const bool locked = use == DataSetUse::kReplace ? dataSet.lock.takeAlone(directory, why)
                                                  : dataSet.lock.share(directory, why);
  if (!locked) return false;
  dataSet.driver = std::make_unique<sqlite::SqliteDriver>(directory);
  return true;
}

std::string chosenDataSetName(const DataSetOptions& options) {
  return options.dataDir ? *options.dataDir : apprt::dataDirectory().string();
}

bool namesDataSet(const std::string& name, const NamedDataSet& dataSet) {
  if (dataSet.directory.empty() || isConnectionString(name)) return name == dataSet.name;
  std::error_code error;
  return std::filesystem::weakly_canonical(std::filesystem::absolute(name, error), error) ==
         dataSet.directory;
}

}  // namespace fesk
