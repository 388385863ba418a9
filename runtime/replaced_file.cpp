#include "runtime/replaced_file.h"

#include <unistd.h>

namespace apprt {

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

bool ReplacedFile::commit(std::string& why) {
  if (stream_.is_open()) {
    stream_.close();
    if (stream_.fail()) {
      why = "cannot write " + destination_.string();
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) {
    why = "cannot write " + destination_.string() + ": " + error.message();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace apprt
