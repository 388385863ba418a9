#pragma once
// The data set a run of fesk works on, chosen on the command line the same way
// for the program and for every command: the options, and the driver that the
// data files are bound to. A data set is a data directory of SQLite files
// (the default), or a schema on a PostgreSQL server shared by several
// workstations (--database, or FESK_DATABASE in the environment).

#include <optional>
#include <string>
#include <string_view>

#include "app/argument_reader.h"
#include "runtime/driver.h"

namespace fesk {

struct DataSetOptions {
  std::optional<std::string> dataDir;
  std::optional<std::string> database;  // a libpq connection string or postgresql:// URI
  std::optional<std::string> schema;    // on the server; "fesk" when not given
};

// The usage lines of the data set options.
extern const std::string_view kDataSetUsage;

// The schema of a data set on a server when none is named.
inline constexpr std::string_view kDefaultSchema = "fesk";

// Takes the current argument (and its value) when it is a data set option.
bool readDataSetOption(ArgumentReader& arguments, DataSetOptions& options);

// The driver of the data set that `options` name (FESK_DATABASE is not read
// here): for a directory, the SQLite driver with the data directory set to it
// (created when missing); for a server, its driver once the server answered.
// Null, with the reason in `why`, when the data set cannot be used.
// `fromCommandLine`: a password in a connection string is refused.
apprt::Driver* driverOfDataSet(const DataSetOptions& options, bool fromCommandLine,
                               std::string& why);

// Makes `options` (with FESK_DATABASE when they name no data set) the data set
// of this process. False, with the reason in `why`, when it cannot be used.
bool useDataSet(const DataSetOptions& options, std::string& why);

// The driver that keeps the chosen data set.
apprt::Driver& dataSetDriver();

}  // namespace fesk
