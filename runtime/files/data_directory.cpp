#include "runtime/files/data_directory.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>

namespace apprt {
namespace {

std::mutex gMutex;
std::optional<std::filesystem::path> gDirectory;

std::filesystem::path defaultDirectory() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return std::filesystem::path(xdg) / "fesk";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "fesk";
}

}  // namespace

bool makeDataDirectory(const std::filesystem::path& directory, std::string* why) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (std::filesystem::is_directory(directory)) return true;
  if (why) {
    *why = directory.string() + ": " + (error ? error.message() : std::string("not a directory"));
  }
  return false;
}

bool setDataDirectory(const std::filesystem::path& directory, std::string* why) {
  if (!makeDataDirectory(directory, why)) return false;
  std::lock_guard lock(gMutex);
  gDirectory = std::filesystem::absolute(directory);
  return true;
}

std::filesystem::path dataDirectoryUnmade() {
  std::lock_guard lock(gMutex);
  return gDirectory ? *gDirectory : defaultDirectory();
}

std::filesystem::path dataDirectory() {
  std::lock_guard lock(gMutex);
  if (!gDirectory) {
    gDirectory = defaultDirectory();
    makeDataDirectory(*gDirectory, nullptr);
  }
  return *gDirectory;
}

}  // namespace apprt
