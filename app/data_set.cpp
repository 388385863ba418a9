#include "app/data_set.h"

#include <algorithm>

#include "app/data_set_kinds.h"
#include "app/data_set_lock.h"
#include "app/file_creation_mask.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "records/data_set_files.h"
#include "runtime/files/data_directory.h"

namespace fesk {
namespace {

apprt::Driver* gChosen = nullptr;
DataSetChoice gChoice;

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
  const apprt::DataSetKind* named = nullptr;
  for (const apprt::DataSetKind* kind : dataSetKinds()) {
    if (!kind->claims(options)) continue;
    if (named) {
      why = std::string(named->option()) + " and " + std::string(kind->option()) +
            " name two different data sets: give one of them";
      return false;
    }
    named = kind;
  }
  for (const apprt::DataSetKind* kind : dataSetKinds()) {
    if (kind == named) continue;
    if (why = kind->strayOptionMistake(options); !why.empty()) return false;
  }
  return (named ? named : dataSetKinds().front())->choose(options, choice, why);
}

bool chooseNamedDataSet(const std::string& name, const std::optional<std::string>& schema,
                        DataSetChoice& choice, std::string& why) {
  const auto kinds = dataSetKinds();
  // The default kind takes any name: the others are asked first.
  const auto claiming = std::find_if(kinds.begin() + 1, kinds.end(),
                                     [&](const auto* kind) { return kind->claimsName(name); });
  const apprt::DataSetKind* kind = claiming == kinds.end() ? kinds.front() : *claiming;
  return kind->chooseNamed(name, schema, choice, why);
}

bool sameDataSet(const DataSetChoice& a, const DataSetChoice& b) {
  return a.kind != nullptr && a.kind == b.kind && a.kind->same(a, b);
}

std::string dataSetMistake(const DataSetChoice& choice, DataSetUse use) {
  return choice.kind->mistake(choice, use);
}

int useDataSet(const DataSetOptions& options, DataSetUse use, std::string& why) {
  DataSetChoice choice;
  if (!chooseDataSet(options, choice, why)) return kUsageError;
  if (why = dataSetMistake(choice, use); !why.empty()) return kUsageError;
  maskNewFilesFor(choice);
  apprt::Driver* driver = choice.kind->processDriver(choice, why);
  if (!driver) return kUsageError;
  // Chosen before the data set is held: the program binds its files to it at
  // start-up, also while it waits for a data set it cannot use yet.
  gChoice = choice;
  gChosen = driver;
  // Held as long as the process runs: a restore then knows this fesk has the
  // data open.
  static DataSetLock lock;
  if (!lock.share(choice, why, use == DataSetUse::kRead)) return kCommandFailed;
  lock.keepTo(choice, *driver);
  return use == DataSetUse::kRead ? readableOnServer(choice, *driver, why) : kDone;
}

int readableOnServer(const DataSetChoice& choice, apprt::Driver& driver, std::string& why) {
  if (choice.kind->placeShowsItExists() || records::holdsDataFiles(driver, why)) return kDone;
  if (!why.empty()) return kCommandFailed;
  why = "no data set is kept in " + choice.name;
  return kUsageError;
}

bool useDataSet(const DataSetOptions& options, std::string& why) {
  return useDataSet(options, DataSetUse::kWrite, why) == kDone;
}

std::string chosenDataSetName() {
  return gChoice.name;
}

std::string dataSetName() {
  return gChoice.kind ? gChoice.kind->listName(gChoice) : apprt::dataDirectory().string();
}

apprt::Driver& dataSetDriver() {
  return gChosen ? *gChosen : sqlite::defaultDriver();
}

}  // namespace fesk
