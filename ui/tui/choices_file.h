#pragma once
// The terminal program's remembered choices (apprt::ChoicePlace), in a file
// beside the desktop's settings: $XDG_CONFIG_HOME/fesk/terminal.conf (or
// ~/.config/fesk/terminal.conf), one "key=value" a line.

#include <filesystem>
#include <map>
#include <string>

#include "runtime/frontend/remembered.h"

namespace fesk::tui {

class ChoicesFile : public apprt::ChoicePlace {
 public:
  // The file in the user's configuration directory.
  ChoicesFile();
  explicit ChoicesFile(std::filesystem::path path);

  std::string value(const std::string& key) const override;
  // Kept at once: the file is written anew (beside, then renamed over), so
  // that a run ended at any moment leaves the old file or the new one.
  void setValue(const std::string& key, const std::string& value) override;

 private:
  std::filesystem::path path_;
  std::map<std::string, std::string> values_;
};

}  // namespace fesk::tui
