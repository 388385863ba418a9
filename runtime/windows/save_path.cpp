#include "runtime/windows/save_path.h"

#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"

namespace apprt {

std::optional<std::string> askSavePath(SavePathRequest request) {
  request.window = newestOpenWindow();
  std::string path = whileUnlocked([&] { return frontEnd().askSavePath(request); });
  if (path.empty()) return std::nullopt;
  return path;
}

void fileWritten(const std::string& path) {
  frontEnd().fileWritten(path, newestOpenWindow());
}

}  // namespace apprt
