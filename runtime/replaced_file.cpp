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
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

bool ReplacedFile::commit(std::string& why) {
  std::error_code error;
  std::filesystem::rename(temporary_, destination_, error);
  if (error) {
    why = destination_.string() + " cannot be written: " + error.message();
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace apprt
