#include "drivers/sqlite/data_directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace fesk::sqlite {
namespace {

constexpr const char* kLockFileName = "fesk.lock";

int openLockFile(const std::filesystem::path& directory, bool make = true) {
  return ::open((directory / kLockFileName).c_str(),
                make ? O_RDWR | O_CREAT | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0666);
}

}  // namespace

DataDirectoryLock::~DataDirectoryLock() {
  release();
}

DataDirectoryLock::DataDirectoryLock(DataDirectoryLock&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

DataDirectoryLock& DataDirectoryLock::operator=(DataDirectoryLock&& other) noexcept {
  if (this != &other) {
    release();
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

void DataDirectoryLock::release() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
}

bool DataDirectoryLock::share(const std::filesystem::path& directory, std::string& why,
                              bool makeLockFile) {
  release();
  descriptor_ = openLockFile(directory, makeLockFile);
  if (descriptor_ < 0) return true;
  if (::flock(descriptor_, LOCK_SH | LOCK_NB) == 0) return true;
  release();
  why = "the data in " + directory.string() +
        " is being replaced by another fesk (a restore); try again when it is done";
  return false;
}

bool DataDirectoryLock::takeAlone(const std::filesystem::path& directory, std::string& why) {
  release();
  descriptor_ = openLockFile(directory);
  if (descriptor_ < 0) {
    const int error = errno;
    // The category's text is strerror's, without its shared buffer.
    why = "cannot lock " + (directory / kLockFileName).string() + ": " +
          std::generic_category().message(error);
    return false;
  }
  if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return true;
  release();
  why = "another fesk is using the data in " + directory.string() + "; close it and try again";
  return false;
}

}  // namespace fesk::sqlite
