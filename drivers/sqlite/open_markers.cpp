#include "drivers/sqlite/open_markers.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/common/this_process.h"

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

// What a marker of a process that met damage holds.
constexpr std::string_view kDamageMark = "damaged\n";

// Without a marker (in a directory this process may not write) an unclean end
// of this process goes unnoticed; the file is still used as it is.
void placeMarker(const fs::path& database, bool damaged) {
  const int fd =
      ::open(markerOf(database, getpid()).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (damaged) {
    [[maybe_unused]] const ssize_t written = ::write(fd, kDamageMark.data(), kDamageMark.size());
  }
  ::close(fd);
}

bool running(pid_t pid) {
  return kill(pid, 0) == 0 || errno != ESRCH;
}

bool saysDamaged(const fs::path& marker) {
  char start[16] = {};
  const int fd = ::open(marker.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t read = ::read(fd, start, sizeof start);
  ::close(fd);
  return read > 0 && std::string_view(start, static_cast<std::size_t>(read)) == kDamageMark;
}

// Every marker of `database`, of any host, with the process that left it when
// it is of this host (0 for another host's).
template <class Take>
void forEachMarker(const fs::path& database, Take take) {
  const std::string start = database.filename().string() + "-open-";
  const std::string ours = markerPrefix(database);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(database.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(start)) continue;
    pid_t pid = 0;
    if (name.starts_with(ours)) {
      const char* digits = name.data() + ours.size();
      const auto [end, failed] = std::from_chars(digits, name.data() + name.size(), pid);
      if (failed != std::errc() || end != name.data() + name.size() || pid <= 0) continue;
    }
    take(entry.path(), pid);
  }
}

// The markers of `database` left by other processes of this host that still
// run (`stillRunning` true) or have ended.
std::vector<fs::path> markersOfOthers(const fs::path& database, bool stillRunning) {
  std::vector<fs::path> found;
  forEachMarker(database, [&](const fs::path& marker, pid_t pid) {
    if (pid > 0 && pid != getpid() && running(pid) == stillRunning) found.push_back(marker);
  });
  return found;
}

std::vector<fs::path> markersOfEndedProcesses(const fs::path& database) {
  return markersOfOthers(database, false);
}

void removeMarkersOfEndedProcesses(const fs::path& database) {
  std::error_code ignored;
  for (const auto& marker : markersOfEndedProcesses(database)) fs::remove(marker, ignored);
}

}  // namespace

OpenMarkers& OpenMarkers::forThisProcess() {
  // Never destroyed: a thread that still closes its files while the process
  // exits must find the table there.
  static OpenMarkers* const markers = new OpenMarkers;
  return *markers;
}

std::map<fs::path, OpenMarkers::Use>& OpenMarkers::uses() {
  if (pid_ != drivers::thisProcess()) {
    pid_ = drivers::thisProcess();
    uses_.clear();
  }
  return uses_;
}

void OpenMarkers::opened(const fs::path& database) {
  std::lock_guard lock(mutex_);
  Use& use = uses()[database];
  if (use.opens++ == 0 && use.damage.ok()) placeMarker(database, false);
}

void OpenMarkers::closed(const fs::path& database) {
  std::lock_guard lock(mutex_);
  auto it = uses().find(database);
  if (it == uses_.end() || --it->second.opens > 0 || !it->second.damage.ok()) return;
  std::error_code ignored;
  fs::remove(markerOf(database, getpid()), ignored);
  uses_.erase(it);
}

void OpenMarkers::damageFound(const fs::path& database, const apprt::DriverStatus& damage) {
  std::lock_guard lock(mutex_);
  Use& use = uses()[database];
  // A damaged table outweighs damaged keys: its records are to be saved.
  if (use.damage.ok() || damage.driverCode == apprt::kDamagedDriverCode) use.damage = damage;
  placeMarker(database, true);
  // Ours now calls for the check that theirs called for.
  removeMarkersOfEndedProcesses(database);
}

apprt::DriverStatus OpenMarkers::knownDamage(const fs::path& database) {
  std::lock_guard lock(mutex_);
  const auto it = uses().find(database);
  return it == uses_.end() ? apprt::DriverStatus{} : it->second.damage;
}

bool OpenMarkers::openInOtherProcesses(const fs::path& database) {
  return !markersOfOthers(database, true).empty();
}

bool OpenMarkers::openHere(const fs::path& database) {
  std::lock_guard lock(mutex_);
  const auto it = uses().find(database);
  return it != uses_.end() && it->second.opens > 0;
}

bool OpenMarkers::damageMarked(const fs::path& database) {
  if (!knownDamage(database).ok()) return true;
  bool marked = false;
  forEachMarker(database, [&](const fs::path& marker, pid_t pid) {
    marked = marked || (pid != getpid() && saysDamaged(marker));
  });
  return marked;
}

bool OpenMarkers::uncleanEndMarked(const fs::path& database) {
  return !markersOfEndedProcesses(database).empty();
}

void OpenMarkers::foundSound(const fs::path& database) {
  {
    std::lock_guard lock(mutex_);
    auto it = uses().find(database);
    if (it != uses_.end() && !it->second.damage.ok()) {
      it->second.damage = {};
      if (it->second.opens > 0) {
        placeMarker(database, false);
      } else {
        std::error_code ignored;
        fs::remove(markerOf(database, getpid()), ignored);
      }
    }
  }
  removeMarkersOfEndedProcesses(database);
}

void OpenMarkers::replaced(const fs::path& database) {
  {
    std::lock_guard lock(mutex_);
    ++uses()[database].generation;
  }
  foundSound(database);
}

int OpenMarkers::generation(const fs::path& database) {
  std::lock_guard lock(mutex_);
  const auto it = uses().find(database);
  return it == uses_.end() ? 0 : it->second.generation;
}

}  // namespace fesk::sqlite
