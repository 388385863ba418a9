#include "app/data_set.h"

#include <cstdlib>
#include <map>
#include <memory>

#include "app/data_set_lock.h"
#include "app/file_creation_mask.h"
#include "drivers/postgres/pg_connection_string.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "records/data_set_files.h"
#include "runtime/files/data_directory.h"

namespace fesk {
namespace {

apprt::Driver* gChosen = nullptr;
std::string gChosenName;

// One driver per server data set, kept for the whole process: data files stay
// bound to it.
postgres::PgDriver& serverDriver(const DataSetChoice& dataSet) {
  static std::map<std::pair<std::string, std::string>, std::unique_ptr<postgres::PgDriver>> drivers;
  auto& driver = drivers[{dataSet.conninfo, dataSet.schema}];
  if (!driver) driver = std::make_unique<postgres::PgDriver>(dataSet.conninfo, dataSet.schema);
  return *driver;
}

// `fromCommandLine`: a password in the connection string is refused.
bool chooseServer(const std::string& conninfo, const std::optional<std::string>& schema,
                  bool fromCommandLine, DataSetChoice& choice, std::string& why) {
  if (const std::string mistake = postgres::connectionStringMistake(conninfo); !mistake.empty()) {
    why = "the database connection string cannot be read: " + mistake;
    return false;
  }
  const std::string name = schema ? *schema : std::string(kDefaultSchema);
  if (const std::string mistake = postgres::schemaNameMistake(name); !mistake.empty()) {
    why = mistake;
    return false;
  }
  const bool hasPassword = postgres::connectionStringHasPassword(conninfo);
  if (fromCommandLine && hasPassword) {
    why =
        "a password on the command line can be read by every user of this machine: "
        "put it in ~/.pgpass (or the file PGPASSFILE names) instead";
    return false;
  }
  choice = {.directory = {}, .conninfo = conninfo, .schema = name, .name = {}};
  choice.name = (hasPassword ? "the server FESK_DATABASE names" : conninfo) + " (schema " +
                choice.schema + ")";
  return true;
}

bool chooseDirectory(const std::filesystem::path& directory, DataSetChoice& choice,
                     std::string& why) {
  if (directory.empty()) {
    why = "the name of the data directory is empty";
    return false;
  }
  std::error_code error;
  choice = {.directory = std::filesystem::absolute(directory, error),
            .conninfo = {},
            .schema = {},
            .name = directory.string()};
  if (error) why = "cannot use " + directory.string() + ": " + error.message();
  return !error;
}

}  // namespace

const std::string_view kDataSetUsage =
    "  --data-dir DIR     where the data files FESK1 and FESK2 live (created when missing,\n"
    "                     except by the commands that only read it: export, report, backup)\n"
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

bool chooseDataSet(const DataSetOptions& options, DataSetChoice& choice, std::string& why) {
  if (options.dataDir && options.database) {
    why = "--data-dir and --database name two different data sets: give one of them";
    return false;
  }
  if (options.database) return chooseServer(*options.database, options.schema, true, choice, why);
  const char* environment = std::getenv("FESK_DATABASE");
  if (!options.dataDir && environment && *environment) {
    return chooseServer(environment, options.schema, false, choice, why);
  }
  if (options.schema) {
    why = "--schema names a schema on a server: it needs --database (or FESK_DATABASE)";
    return false;
  }
  return chooseDirectory(
      options.dataDir ? std::filesystem::path(*options.dataDir) : apprt::dataDirectoryUnmade(),
      choice, why);
}

bool chooseNamedDataSet(const std::string& name, const std::optional<std::string>& schema,
                        DataSetChoice& choice, std::string& why) {
  return postgres::namesServer(name) ? chooseServer(name, schema, true, choice, why)
                                     : chooseDirectory(name, choice, why);
}

bool sameDataSet(const DataSetChoice& a, const DataSetChoice& b) {
  if (a.onServer() || b.onServer()) return a.conninfo == b.conninfo && a.schema == b.schema;
  std::error_code error;
  return std::filesystem::weakly_canonical(a.directory, error) ==
         std::filesystem::weakly_canonical(b.directory, error);
}

std::string dataSetMistake(const DataSetChoice& choice, DataSetUse use) {
  if (choice.onServer()) return {};
  std::error_code error;
  const auto status = std::filesystem::status(choice.directory, error);
  if (std::filesystem::is_directory(status)) return {};
  if (std::filesystem::exists(status)) return choice.name + " is not a directory";
  if (use == DataSetUse::kRead) return "there is no data directory " + choice.name;
  return {};
}

int useDataSet(const DataSetOptions& options, DataSetUse use, std::string& why) {
  DataSetChoice choice;
  if (!chooseDataSet(options, choice, why)) return kUsageError;
  if (why = dataSetMistake(choice, use); !why.empty()) return kUsageError;
  maskNewFilesFor(choice);
  if (!choice.onServer() && !apprt::setDataDirectory(choice.directory, &why)) {
    return kUsageError;
  }
  // Chosen before the lock is taken: the program binds its files to it at
  // start-up, also while it waits for a data set it cannot use yet.
  gChosenName = choice.name;
  gChosen = choice.onServer() ? static_cast<apprt::Driver*>(&serverDriver(choice))
                              : &sqlite::defaultDriver();
  // Held as long as the process runs: a restore then knows this fesk has the
  // data open.
  static DataSetLock lock;
  if (!lock.share(choice, why, use == DataSetUse::kRead)) return kCommandFailed;
  if (choice.onServer()) serverDriver(choice).workUnder(lock.serverLock());
  return use == DataSetUse::kRead ? readableOnServer(choice, *gChosen, why) : kDone;
}

int readableOnServer(const DataSetChoice& choice, apprt::Driver& driver, std::string& why) {
  if (!choice.onServer() || records::holdsDataFiles(driver, why)) return kDone;
  if (!why.empty()) return kCommandFailed;
  why = "no data set is kept in " + choice.name;
  return kUsageError;
}

bool useDataSet(const DataSetOptions& options, std::string& why) {
  return useDataSet(options, DataSetUse::kWrite, why) == kDone;
}

std::string chosenDataSetName() {
  return gChosenName;
}

std::string dataSetName() {
  return apprt::dataDirectory().string();
}

apprt::Driver& dataSetDriver() {
  return gChosen ? *gChosen : sqlite::defaultDriver();
}

}  // namespace fesk
