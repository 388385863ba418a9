#include "drivers/sqlite/open_markers.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <string>
#include <vector>

namespace fesk::sqlite {
namespace {

namespace fs = std::filesystem;

// This host's name as it may stand in a file name.
const std::string& hostName() {
  static const std::string name = [] {
    char buffer[256] = {};
    gethostname(buffer, sizeof buffer - 1);
    std::string host(buffer);
    for (char& c : host) {
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.') c = '_';
    }
    return host.empty() ? std::string("host") : host;
  }();
  return name;
}

// The start of the names of this host's markers of `database`.
std::string markerPrefix(const fs::path& database) {
  return database.filename().string() + "-open-" + hostName() + "-";
}

fs::path markerOf(const fs::path& database, pid_t pid) {
  return database.parent_path() / (markerPrefix(database) + std::to_string(pid));
}

// Without a marker (in a directory this process may not write) an unclean end
// of this process goes unnoticed; the file is still used as it is.
void placeMarker(const fs::path& database) {
  const int fd = ::open(markerOf(database, getpid()).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

bool running(pid_t pid) {
  return kill(pid, 0) == 0 || errno != ESRCH;
}

// The markers of `database` left by other processes of this host that still
// run (`running` true) or have ended.
std::vector<fs::path> markersOfOthers(const fs::path& database, bool stillRunning) {
  std::vector<fs::path> found;
  const std::string prefix = markerPrefix(database);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(database.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    pid_t pid = 0;
    const char* digits = name.data() + prefix.size();
    const auto [end, failed] = std::from_chars(digits, name.data() + name.size(), pid);
    if (failed != std::errc() || end != name.data() + name.size() || pid <= 0) continue;
    if (pid != getpid() && running(pid) == stillRunning) found.push_back(entry.path());
  }
  return found;
}

std::vector<fs::path> markersOfEndedProcesses(const fs::path& database) {
  return markersOfOthers(database, false);
}

}  // namespace

OpenMarkers& OpenMarkers::forThisProcess() {
  // Never destroyed: a thread that still closes its files while the process
  // exits must find the table there.
  static OpenMarkers* const markers = new OpenMarkers;
  return *markers;
}

std::map<fs::path, OpenMarkers::Use>& OpenMarkers::uses() {
  if (pid_ != getpid()) {
    pid_ = getpid();
    uses_.clear();
  }
  return uses_;
}

void OpenMarkers::opened(const fs::path& database) {
  std::lock_guard lock(mutex_);
  if (uses()[database].opens++ == 0) placeMarker(database);
}

void OpenMarkers::closed(const fs::path& database) {
  std::lock_guard lock(mutex_);
  auto it = uses().find(database);
  if (it == uses_.end() || --it->second.opens > 0 || it->second.damaged) return;
  std::error_code ignored;
  fs::remove(markerOf(database, getpid()), ignored);
  uses_.erase(it);
}

void OpenMarkers::damageFound(const fs::path& database) {
  std::lock_guard lock(mutex_);
  uses()[database].damaged = true;
  placeMarker(database);
}

bool OpenMarkers::knownDamaged(const fs::path& database) {
  std::lock_guard lock(mutex_);
  const auto it = uses().find(database);
  return it != uses_.end() && it->second.damaged;
}

bool OpenMarkers::openElsewhere(const fs::path& database) {
  {
    std::lock_guard lock(mutex_);
    const auto it = uses().find(database);
    if (it != uses_.end() && it->second.opens > 0) return true;
  }
  return !markersOfOthers(database, true).empty();
}

bool OpenMarkers::checkDue(const fs::path& database) {
  if (knownDamaged(database)) return true;
  return !markersOfEndedProcesses(database).empty();
}

void OpenMarkers::foundSound(const fs::path& database) {
  {
    std::lock_guard lock(mutex_);
    auto it = uses().find(database);
    if (it != uses_.end()) it->second.damaged = false;
  }
  std::error_code ignored;
  for (const auto& marker : markersOfEndedProcesses(database)) fs::remove(marker, ignored);
}

}  // namespace fesk::sqlite
