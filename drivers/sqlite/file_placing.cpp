#include "drivers/sqlite/file_placing.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "drivers/sqlite/sqlite_connection.h"

namespace fesk::sqlite {

CreationLock::CreationLock(const std::filesystem::path& directory)
    : fd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  const auto giveUp =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kDefaultBusyMilliseconds);
  if (fd_ < 0) error_ = errno;
  while (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > giveUp) {
      error_ = errno;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

CreationLock::~CreationLock() {
  if (fd_ >= 0) ::close(fd_);  // lets go of the lock
}

void CreationLock::syncDirectory() const {
  ::fsync(fd_);
}

void removeCompanions(const std::filesystem::path& database) {
  std::error_code ignored;
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    std::filesystem::remove(database.string() + suffix, ignored);
  }
}

}  // namespace fesk::sqlite
