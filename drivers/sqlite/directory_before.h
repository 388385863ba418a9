#pragma once
// What a copy may leave in a target data directory that it does not finish:
// the directory itself when the copy made it, else the entries it added.

#include <filesystem>
#include <set>

#include "runtime/files/data_set_kind.h"

namespace fesk::sqlite {

class DirectoryBefore : public apprt::PlaceBefore {
 public:
  // Notes `directory` as it is before the work.
  explicit DirectoryBefore(const std::filesystem::path& directory);
  // Takes away what has come since: the directory when the work made it
  // (and the empty ones made above it), else the entries it added.
  void undo() const override;

 private:
  std::filesystem::path made_;  // the outermost directory the work makes, when it makes one
  std::filesystem::path directory_;
  std::set<std::filesystem::path> entries_;
};

}  // namespace fesk::sqlite
