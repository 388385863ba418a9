#pragma once
// A data set named on the command line of a command that works on two of them
// (copy, backup, restore): a data directory of SQLite files, or a PostgreSQL
// database named by a connection string (a postgresql:// URI, or key=value
// words such as "host=server dbname=fesk").

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/data_directory_lock.h"
#include "app/data_set.h"
#include "runtime/driver.h"

namespace fesk {

enum class DataSetUse {
  kRead,     // a source: it must exist
  kWrite,    // a target: a missing directory is created
  kReplace,  // a target whose records are replaced: no other fesk may use it meanwhile
};

struct NamedDataSet {
  std::string name;                 // as the messages name it
  std::filesystem::path directory;  // a data directory's absolute path
  std::unique_ptr<apprt::Driver> driver;
  DataDirectoryLock lock;
};

bool isConnectionString(std::string_view name);

// Opens the data set `name` for `use`; false, with the reason in `why`, when
// it cannot be used that way.
bool openNamedDataSet(const std::string& name, DataSetUse use, NamedDataSet& dataSet,
                      std::string& why);

// The name of the data set that the data set options choose.
std::string chosenDataSetName(const DataSetOptions& options);

// Whether `name` names the data set `dataSet`.
bool namesDataSet(const std::string& name, const NamedDataSet& dataSet);

}  // namespace fesk
