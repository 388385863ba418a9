#pragma once
// Data sets kept as SQLite files in a data directory (--data-dir, or the
// default data directory when no data set is named), held through the
// directory's lock file (data_directory_lock.h). The people who may sign in
// to one served to browsers are those of the password file in it; a group
// that may write the directory shares the files fesk creates for it.

#include "runtime/files/data_set_kind.h"

namespace fesk::sqlite {

class DataDirectoryKind : public apprt::DataSetKind {
 public:
  std::span<const std::string_view> options() const override;
  std::string_view usage() const override;
  bool claims(const apprt::DataSetOptions& options) const override;
  bool claimsUnnamed() const override { return false; }
  std::string strayOptionMistake(const apprt::DataSetOptions& options) const override;
  bool choose(const apprt::DataSetOptions& options, apprt::DataSetChoice& choice,
              std::string& why) const override;
  bool claimsName(const std::string& name) const override;
  bool chooseNamed(const std::string& name, const std::optional<std::string>& schema,
                   apprt::DataSetChoice& choice, std::string& why) const override;
  bool same(const apprt::DataSetChoice& a, const apprt::DataSetChoice& b) const override;
  std::string mistake(const apprt::DataSetChoice& choice, apprt::DataSetUse use) const override;
  bool placeShowsItExists() const override { return true; }
  bool makePlace(const apprt::DataSetChoice& choice, std::string& why) const override;
  std::unique_ptr<apprt::PlaceBefore> notePlace(const apprt::DataSetChoice& choice) const override;
  mode_t newFilesMask(const apprt::DataSetChoice& choice) const override;
  std::unique_ptr<apprt::DataSetHold> newHold() const override;
  apprt::Driver* processDriver(const apprt::DataSetChoice& choice, std::string& why) const override;
  std::unique_ptr<apprt::Driver> makeDriver(const apprt::DataSetChoice& choice) const override;
  void workUnder(apprt::Driver& driver, apprt::DataSetHold& hold) const override;
  std::string listName(const apprt::DataSetChoice& choice) const override;
  std::string_view unavailableTitle() const override { return "Data Directory Unavailable"; }
  std::vector<std::string> arguments(const apprt::DataSetChoice& choice) const override;
  bool passwordFolder(const apprt::DataSetChoice& choice, std::filesystem::path& folder,
                      std::string& why) const override;
  bool signIn(const apprt::DataSetChoice& choice, const apprt::PasswordFileCheck& ownPasswords,
              apprt::SignInCheck& check, std::string& why) const override;
};

}  // namespace fesk::sqlite
