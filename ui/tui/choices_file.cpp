#include "ui/tui/choices_file.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fesk::tui {
namespace {

std::filesystem::path configurationDirectory() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME");
      xdg && *xdg)  // NOLINT(concurrency-mt-unsafe)
    return xdg;
  const char* home = std::getenv("HOME");  // NOLINT(concurrency-mt-unsafe)
  return std::filesystem::path(home ? home : ".") / ".config";
}

}  // namespace

ChoicesFile::ChoicesFile() : ChoicesFile(configurationDirectory() / "fesk" / "terminal.conf") {}

ChoicesFile::ChoicesFile(std::filesystem::path path) : path_(std::move(path)) {
  std::ifstream in(path_);
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos && equals > 0)
      values_[line.substr(0, equals)] = line.substr(equals + 1);
  }
}

std::string ChoicesFile::value(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? std::string() : it->second;
}

void ChoicesFile::setValue(const std::string& key, const std::string& value) {
  values_[key] = value;
  // A choice that cannot be kept (no home, a full disk) is only not kept:
  // the program works on as before.
  std::error_code ignored;
  std::filesystem::create_directories(path_.parent_path(), ignored);
  const std::filesystem::path beside = path_.string() + ".new";
  {
    std::ofstream out(beside, std::ios::trunc);
    for (const auto& [k, v] : values_) out << k << '=' << v << '\n';
    if (!out.flush()) return;
  }
  std::filesystem::rename(beside, path_, ignored);
}

}  // namespace fesk::tui
