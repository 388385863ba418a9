#pragma once
// A fresh, empty directory for one test, removed with everything in it when
// the test is done.

#include <filesystem>
#include <string_view>

namespace fesk::test {

class TemporaryDirectory {
 public:
  // Made under the system's temporary directory, named after `purpose`;
  // throws when it cannot be made (a test must never run on a directory it
  // did not get).
  explicit TemporaryDirectory(std::string_view purpose = "fesk-test");
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace fesk::test
