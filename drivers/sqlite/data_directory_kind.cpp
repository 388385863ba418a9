#include "drivers/sqlite/data_directory_kind.h"

#include <sys/stat.h>

#include "drivers/sqlite/data_directory_lock.h"
#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/directory_before.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/change_author.h"
#include "runtime/files/data_directory.h"

namespace fesk::sqlite {
namespace {

// A data set's place: its absolute directory.
std::filesystem::path directoryOf(const apprt::DataSetChoice& choice) {
  return choice.place.at(0);
}

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
    if (why = danglingDataFile(directoryOf(choice)); !why.empty()) return false;
    return lock.share(directoryOf(choice), why, !onlyRead);
  }
  bool takeAlone(const apprt::DataSetChoice& choice, std::string& why) override {
    return lock.takeAlone(directoryOf(choice), why);
  }

  DataDirectoryLock lock;
};

}  // namespace

std::span<const std::string_view> DataDirectoryKind::options() const {
  static constexpr std::string_view kOptions[] = {"--data-dir"};
  return kOptions;
}

std::string_view DataDirectoryKind::usage() const {
  return "  --data-dir DIR     where the data files FESK1 and FESK2 live (created when missing,\n"
         "                     except by the commands that only read it: export, report, backup)\n";
}

bool DataDirectoryKind::claims(const apprt::DataSetOptions& options) const {
  return options.value("--data-dir") != nullptr;
}

std::string DataDirectoryKind::strayOptionMistake(const apprt::DataSetOptions&) const {
  return {};  // --data-dir alone names the data set
}

bool DataDirectoryKind::choose(const apprt::DataSetOptions& options, apprt::DataSetChoice& choice,
                               std::string& why) const {
  const std::string* named = options.value("--data-dir");
  return chooseNamed(named ? *named : apprt::dataDirectoryUnmade().string(), std::nullopt, choice,
                     why);
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
  choice = {.kind = this, .place = {std::filesystem::absolute(name, error).string()}, .name = name};
  if (error) why = "cannot use " + name + ": " + error.message();
  return !error;
}

bool DataDirectoryKind::same(const apprt::DataSetChoice& a, const apprt::DataSetChoice& b) const {
  std::error_code error;
  return std::filesystem::weakly_canonical(directoryOf(a), error) ==
         std::filesystem::weakly_canonical(directoryOf(b), error);
}

std::string DataDirectoryKind::mistake(const apprt::DataSetChoice& choice,
                                       apprt::DataSetUse use) const {
  std::error_code error;
  const auto status = std::filesystem::status(directoryOf(choice), error);
  if (std::filesystem::is_directory(status)) return {};
  if (std::filesystem::exists(status)) return choice.name + " is not a directory";
  if (use == apprt::DataSetUse::kRead) return "there is no data directory " + choice.name;
  return {};
}

bool DataDirectoryKind::makePlace(const apprt::DataSetChoice& choice, std::string& why) const {
  return apprt::makeDataDirectory(directoryOf(choice), &why);
}

std::unique_ptr<apprt::PlaceBefore> DataDirectoryKind::notePlace(
    const apprt::DataSetChoice& choice) const {
  return std::make_unique<DirectoryBefore>(directoryOf(choice));
}

mode_t DataDirectoryKind::newFilesMask(const apprt::DataSetChoice& choice) const {
  constexpr mode_t kUserOnly = S_IRWXG | S_IRWXO;
  constexpr mode_t kUserAndGroup = S_IRWXO;
  struct stat status {};
  if (::stat(directoryOf(choice).c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return kUserOnly;
  }
  return (status.st_mode & S_IWGRP) != 0 ? kUserAndGroup : kUserOnly;
}

std::unique_ptr<apprt::DataSetHold> DataDirectoryKind::newHold() const {
  return std::make_unique<DirectoryHold>();
}

apprt::Driver* DataDirectoryKind::processDriver(const apprt::DataSetChoice& choice,
                                                std::string& why) const {
  return apprt::setDataDirectory(directoryOf(choice), &why) ? &defaultDriver() : nullptr;
}

std::unique_ptr<apprt::Driver> DataDirectoryKind::makeDriver(
    const apprt::DataSetChoice& choice) const {
  return std::make_unique<SqliteDriver>(directoryOf(choice));
}

void DataDirectoryKind::workUnder(apprt::Driver&, apprt::DataSetHold&) const {
  // The lock file is the system's: it cannot be lost while the process runs.
}

std::string DataDirectoryKind::listName(const apprt::DataSetChoice& choice) const {
  return directoryOf(choice).string();
}

std::vector<std::string> DataDirectoryKind::arguments(const apprt::DataSetChoice& choice) const {
  return {"--data-dir", directoryOf(choice).string()};
}

bool DataDirectoryKind::passwordFolder(const apprt::DataSetChoice& choice,
                                       std::filesystem::path& folder, std::string&) const {
  folder = directoryOf(choice);
  return true;
}

bool DataDirectoryKind::signIn(const apprt::DataSetChoice& choice,
                               const apprt::PasswordFileCheck& ownPasswords,
                               apprt::SignInCheck& check, std::string&) const {
  check.accepts = [folder = directoryOf(choice), ownPasswords](const std::string& name,
                                                               const std::string& password) {
    return ownPasswords(folder, name, password);
  };
  // The history of the files names the person, not the account serving them.
  check.environment = [](const std::string& name, const std::string&) {
    return apprt::SignInCheck::Environment{{apprt::kSignedInUserVariable, name}};
  };
  return true;
}

}  // namespace fesk::sqlite
