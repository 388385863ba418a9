#include "app/data_sets/data_set.h"

#include <algorithm>
#include <stdexcept>

#include "app/data_sets/data_set_kinds.h"
#include "app/data_sets/data_set_lock.h"
#include "app/data_sets/file_creation_mask.h"
#include "records/data_set_files.h"

namespace fesk {
namespace {

apprt::Driver* gChosen = nullptr;
DataSetChoice gChoice;

// The data set of a process that chose none (a test, the screenshot tour):
// the default kind's, in its default place.
DataSetChoice defaultDataSet() {
  DataSetChoice choice;
  std::string why;
  dataSetKinds().front()->choose({}, choice, why);
  return choice;
}

}  // namespace

std::string dataSetUsage() {
  std::string usage;
  for (const apprt::DataSetKind* kind : dataSetKinds()) usage += kind->usage();
  return usage;
}

bool readDataSetOption(ArgumentReader& arguments, DataSetOptions& options) {
  for (const apprt::DataSetKind* kind : dataSetKinds()) {
    for (const std::string_view option : kind->options()) {
      std::optional<std::string> value;
      if (!arguments.option(option, value)) continue;
      if (value) options.set(option, std::move(*value));
      return true;
    }
  }
  return false;
}

bool chooseDataSet(const DataSetOptions& options, DataSetChoice& choice, std::string& why) {
  const apprt::DataSetKind* named = nullptr;
  for (const apprt::DataSetKind* kind : dataSetKinds()) {
    if (!kind->claims(options)) continue;
    if (named) {
      why = std::string(named->options().front()) + " and " + std::string(kind->options().front()) +
            " name two different data sets: give one of them";
      return false;
    }
    named = kind;
  }
  for (const apprt::DataSetKind* kind : dataSetKinds()) {
    if (!named && kind->claimsUnnamed()) named = kind;
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
  return use == DataSetUse::kRead ? readableDataSet(choice, *driver, why) : kDone;
}

int readableDataSet(const DataSetChoice& choice, apprt::Driver& driver, std::string& why) {
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
  if (gChoice.kind) return gChoice.kind->listName(gChoice);
  const DataSetChoice choice = defaultDataSet();
  return choice.kind->listName(choice);
}

apprt::Driver& dataSetDriver() {
  if (gChosen) return *gChosen;
  const DataSetChoice choice = defaultDataSet();
  std::string why;
  apprt::Driver* driver = choice.kind->processDriver(choice, why);
  if (!driver) throw std::runtime_error(why);
  return *driver;
}

}  // namespace fesk
