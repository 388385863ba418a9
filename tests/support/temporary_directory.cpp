#include "support/temporary_directory.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace fesk::test {

TemporaryDirectory::TemporaryDirectory(std::string_view purpose) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(purpose) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
  }
  path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace fesk::test
