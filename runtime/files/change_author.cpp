#include "runtime/files/change_author.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <random>

namespace apprt {
namespace {

std::string operatingSystemUser() {
  std::string buffer(4096, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return found->pw_name;
  }
  return "uid " + std::to_string(geteuid());
}

}  // namespace

std::string changeAuthor() {
  static const std::string systemUser = operatingSystemUser();
  const char* signedIn = std::getenv(kSignedInUserVariable);
  return signedIn && *signedIn ? std::string(signedIn) : systemUser;
}

std::string changeStation() {
  static const std::string host = [] {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return std::string(name);
  }();
  // Asked each time: a forked child is a station of its own.
  return host + "/" + std::to_string(getpid());
}

std::int64_t newChangeGroup() {
  // A random high half, drawn again in a forked child, keeps the groups of
  // processes apart, also of one that is given the process id of another
  // that ended; the low half counts the process's groups.
  static std::mutex mutex;
  static pid_t drawnIn = 0;
  static std::int64_t base = 0;
  static std::uint32_t count = 0;
  std::lock_guard lock(mutex);
  if (drawnIn != getpid()) {
    std::random_device random;
    base = static_cast<std::int64_t>(random() & 0x7fffffffU) << 32;
    drawnIn = getpid();
    count = 0;
  }
  return base | ++count;
}

}  // namespace apprt
