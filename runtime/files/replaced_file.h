#pragma once
// A file written under a temporary name beside the file it is meant to be,
// and put in its place only when complete: a write that fails or is cancelled
// leaves no part of a file behind, and an older file of that name as it was.

#include <filesystem>
#include <fstream>
#include <string>

namespace apprt {

class ReplacedFile {
 public:
  explicit ReplacedFile(std::filesystem::path destination);
  ~ReplacedFile();  // removes the temporary file unless it was put in place
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  // Where to write meanwhile: by name, or through the stream (opened, for
  // writing bytes as they are, on first use; is_open() tells whether it could
  // be).
  const std::filesystem::path& temporaryPath() const { return temporary_; }
  std::ofstream& stream();
  // Opens the stream; false, with the system's reason in `why`, when it cannot be.
  bool open(std::string& why);
  // Puts the written file in place; false, with the reason in `why`, when it
  // cannot be.
  bool commit(std::string& why);

 private:
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::ofstream stream_;
  bool committed_ = false;
};

}  // namespace apprt
