#include "drivers/sqlite/data_directory_kind.h"

#include "drivers/sqlite/data_directory_lock.h"
#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"

namespace fesk::sqlite {
namespace {

// Why a data file of `directory` cannot be used: it is a link to a file that
// is not there (on a drive that is not mounted, say). Told before anything is
// made in the directory, so that a command refused for it leaves nothing
// behind, and the program waiting at its start can be told to try again.
std::string danglingDataFile(const std::filesystem::path& directory) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    if (entry.path().extension() == ".sqlite" &&
        inspectDatabase(entry.path()) == FoundFile::kDanglingLink) {
      return danglingLinkFailure(entry.path()).driverMessage;
    }
  }
  return {};
}

struct DirectoryHold : apprt::DataSetHold {
  bool share(const apprt::DataSetChoice& choice, bool onlyRead, std::string& why) override {
    if (why = danglingDataFile(choice.directory); !why.empty()) return false;
    return lock.share(choice.directory, why, !onlyRead);
  }
  bool takeAlone(const apprt::DataSetChoice& choice, std::string& why) override {
    return lock.takeAlone(choice.directory, why);
  }

  DataDirectoryLock lock;
};

}  // namespace

bool DataDirectoryKind::claims(const apprt::DataSetOptions& options) const {
  return options.dataDir.has_value();
}

std::string DataDirectoryKind::strayOptionMistake(const apprt::DataSetOptions&) const {
  return {};  // --data-dir alone names the data set
}

bool DataDirectoryKind::choose(const apprt::DataSetOptions& options, apprt::DataSetChoice& choice,
                               std::string& why) const {
  return chooseNamed(options.dataDir ? *options.dataDir : apprt::dataDirectoryUnmade().string(),
                     std::nullopt, choice, why);
}

bool DataDirectoryKind::claimsName(const std::string&) const {
  return true;  // any name can be a directory's
}

bool DataDirectoryKind::chooseNamed(const std::string& name, const std::optional<std::string>&,
                                    apprt::DataSetChoice& choice, std::string& why) const {
  if (name.empty()) {
    why = "the name of the data directory is empty";
    return false;
  }
  std::error_code error;
  choice = {.kind = this,
            .directory = std::filesystem::absolute(name, error),
            .conninfo = {},
            .schema = {},
            .name = name};
  if (error) why = "cannot use " + name + ": " + error.message();
  return !error;
}

bool DataDirectoryKind::same(const apprt::DataSetChoice& a, const apprt::DataSetChoice& b) const {
  std::error_code error;
  return std::filesystem::weakly_canonical(a.directory, error) ==
         std::filesystem::weakly_canonical(b.directory, error);
}

std::string DataDirectoryKind::mistake(const apprt::DataSetChoice& choice,
                                       apprt::DataSetUse use) const {
  std::error_code error;
  const auto status = std::filesystem::status(choice.directory, error);
  if (std::filesystem::is_directory(status)) return {};
  if (std::filesystem::exists(status)) return choice.name + " is not a directory";
  if (use == apprt::DataSetUse::kRead) return "there is no data directory " + choice.name;
  return {};
}

bool DataDirectoryKind::makePlace(const apprt::DataSetChoice& choice, std::string& why) const {
  return apprt::makeDataDirectory(choice.directory, &why);
}

std::unique_ptr<apprt::DataSetHold> DataDirectoryKind::newHold() const {
  return std::make_unique<DirectoryHold>();
}

apprt::Driver* DataDirectoryKind::processDriver(const apprt::DataSetChoice& choice,
                                                std::string& why) const {
  return apprt::setDataDirectory(choice.directory, &why) ? &defaultDriver() : nullptr;
}

std::unique_ptr<apprt::Driver> DataDirectoryKind::makeDriver(
    const apprt::DataSetChoice& choice) const {
  return std::make_unique<SqliteDriver>(choice.directory);
}

void DataDirectoryKind::workUnder(apprt::Driver&, apprt::DataSetHold&) const {
  // The lock file is the system's: it cannot be lost while the process runs.
}

std::string DataDirectoryKind::listName(const apprt::DataSetChoice& choice) const {
  return choice.directory.string();
}

}  // namespace fesk::sqlite
