#include "runtime/files/replaced_file.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace apprt {
namespace {

std::string cannotWrite(const std::filesystem::path& path, const std::error_code& error) {
  return "cannot write " + path.string() + ": " + error.message();
}

}  // namespace

ReplacedFile::ReplacedFile(std::filesystem::path destination)
    : destination_(std::move(destination)) {
  // Hidden, beside the destination (so that putting it in place is a rename
  // within one file system), and apart from other processes writing there.
  temporary_ = destination_.parent_path() /
               ("." + destination_.filename().string() + "." + std::to_string(getpid()) + ".part");
}

ReplacedFile::~ReplacedFile() {
  if (committed_) return;
  stream_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

std::ofstream& ReplacedFile::stream() {
  if (!stream_.is_open()) stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  return stream_;
}

bool ReplacedFile::open(std::string& why) {
  errno = 0;
  if (stream().is_open()) return true;
  why = cannotWrite(destination_, std::error_code(errno ? errno : EIO, std::generic_category()));
  return false;
}

bool ReplacedFile::commit(std::string& why) {
  if (stream_.is_open()) {
    errno = 0;
    stream_.close();
    if (stream_.fail()) {
      why =
          cannotWrite(destination_, std::error_code(errno ? errno : EIO, std::generic_category()));
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) {
    why = cannotWrite(destination_, error);
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace apprt
