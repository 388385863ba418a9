#include "drivers/sqlite/directory_before.h"

#include <vector>

namespace fesk::sqlite {

namespace fs = std::filesystem;

DirectoryBefore::DirectoryBefore(const fs::path& directory) : directory_(directory) {
  std::error_code error;
  for (fs::path at = directory; !fs::exists(at, error); at = at.parent_path()) {
    made_ = at;
    if (at == at.parent_path()) break;
  }
  if (!made_.empty()) return;
  for (const auto& entry : fs::directory_iterator(directory_, error)) {
    entries_.insert(entry.path().filename());
  }
}

void DirectoryBefore::undo() const {
  std::error_code ignored;
  if (!made_.empty()) {
    fs::remove_all(directory_, ignored);
    // Directories made above it are taken away only while empty: another
    // program may have put something there meanwhile.
    for (fs::path at = directory_.parent_path(); at != made_.parent_path(); at = at.parent_path()) {
      if (!fs::remove(at, ignored)) break;
    }
    return;
  }
  std::vector<fs::path> added;
  for (const auto& entry : fs::directory_iterator(directory_, ignored)) {
    if (!entries_.contains(entry.path().filename())) added.push_back(entry.path());
  }
  for (const auto& path : added) fs::remove(path, ignored);
}

}  // namespace fesk::sqlite
