#include "app/data_set.h"

#include <cstdlib>
#include <map>
#include <memory>

#include "drivers/postgres/pg_connection_string.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/data_directory.h"

namespace fesk {
namespace {

apprt::Driver* gChosen = nullptr;

// One driver per server data set, kept for the whole process: data files stay
// bound to it.
postgres::PgDriver& serverDriver(const std::string& conninfo, const std::string& schema) {
  static std::map<std::pair<std::string, std::string>, std::unique_ptr<postgres::PgDriver>> drivers;
  auto& driver = drivers[{conninfo, schema}];
  if (!driver) driver = std::make_unique<postgres::PgDriver>(conninfo, schema);
  return *driver;
}

}  // namespace

const std::string_view kDataSetUsage =
    "  --data-dir DIR     where the data files FESK1 and FESK2 live (created when missing)\n"
    "  --database CONNINFO  keep the data on a PostgreSQL server instead, shared by every\n"
    "                     workstation: a libpq connection string or postgresql:// URI\n"
    "                     (FESK_DATABASE does the same). No password here: libpq reads\n"
    "                     ~/.pgpass, PGPASSFILE and service files\n"
    "  --schema NAME      the schema of the data set on the server (default fesk)\n";

bool readDataSetOption(ArgumentReader& arguments, DataSetOptions& options) {
  return arguments.option("--data-dir", options.dataDir) ||
         arguments.option("--database", options.database) ||
         arguments.option("--schema", options.schema);
}

apprt::Driver* driverOfDataSet(const DataSetOptions& options, bool fromCommandLine,
                               std::string& why) {
  if (options.dataDir && options.database) {
    why = "--data-dir and --database name two different data sets: give one of them";
    return nullptr;
  }
  if (!options.database) {
    if (options.schema) {
      why = "--schema names a schema on a server: it needs --database (or FESK_DATABASE)";
      return nullptr;
    }
    const auto directory =
        options.dataDir ? std::filesystem::path(*options.dataDir) : apprt::dataDirectory();
    return apprt::setDataDirectory(directory, &why) ? &sqlite::defaultDriver() : nullptr;
  }
  const std::string& conninfo = *options.database;
  if (const std::string mistake = postgres::connectionStringMistake(conninfo); !mistake.empty()) {
    why = "the database connection string cannot be read: " + mistake;
    return nullptr;
  }
  if (fromCommandLine && postgres::connectionStringHasPassword(conninfo)) {
    why =
        "a password on the command line can be read by every user of this machine: "
        "put it in ~/.pgpass (or the file PGPASSFILE names) instead";
    return nullptr;
  }
  postgres::PgDriver& driver =
      serverDriver(conninfo, options.schema ? *options.schema : std::string(kDefaultSchema));
  if (const apprt::DriverStatus status = driver.checkReachable(); !status.ok()) {
    why = status.driverMessage;
    return nullptr;
  }
  return &driver;
}

bool useDataSet(const DataSetOptions& options, std::string& why) {
  DataSetOptions chosen = options;
  bool fromCommandLine = true;
  const char* environment = std::getenv("FESK_DATABASE");
  if (!options.dataDir && !options.database && environment && *environment) {
    chosen.database = environment;
    fromCommandLine = false;
  }
  apprt::Driver* driver = driverOfDataSet(chosen, fromCommandLine, why);
  if (driver) gChosen = driver;
  return driver != nullptr;
}

apprt::Driver& dataSetDriver() {
  return gChosen ? *gChosen : sqlite::defaultDriver();
}

}  // namespace fesk
