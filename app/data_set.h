#pragma once
// The data set a run of fesk works on, chosen on the command line the same way
// for the program and for every command: the options, and the driver that the
// data files are bound to.

#include <optional>
#include <string>
#include <string_view>

#include "app/argument_reader.h"
#include "runtime/driver.h"

namespace fesk {

struct DataSetOptions {
  std::optional<std::string> dataDir;
};

// The usage lines of the data set options.
extern const std::string_view kDataSetUsage;

// Takes the current argument (and its value) when it is a data set option.
bool readDataSetOption(ArgumentReader& arguments, DataSetOptions& options);

// Makes `options` the data set of this process (the data directory is created
// when missing) and marks it as used by this process (data_directory_lock.h).
// False, with the reason in `why`, when it cannot be used.
bool useDataSet(const DataSetOptions& options, std::string& why);

// The driver that keeps the chosen data set.
apprt::Driver& dataSetDriver();

}  // namespace fesk
