#pragma once
// Data sets kept as SQLite files in a data directory (--data-dir, or the
// default data directory when no data set is named), held through the
// directory's lock file (data_directory_lock.h).

#include "runtime/files/data_set_kind.h"

namespace fesk::sqlite {

class DataDirectoryKind : public apprt::DataSetKind {
 public:
  std::string_view option() const override { return "--data-dir"; }
  bool claims(const apprt::DataSetOptions& options) const override;
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
  std::unique_ptr<apprt::DataSetHold> newHold() const override;
  apprt::Driver* processDriver(const apprt::DataSetChoice& choice, std::string& why) const override;
  std::unique_ptr<apprt::Driver> makeDriver(const apprt::DataSetChoice& choice) const override;
  void workUnder(apprt::Driver& driver, apprt::DataSetHold& hold) const override;
  std::string listName(const apprt::DataSetChoice& choice) const override;
};

}  // namespace fesk::sqlite
