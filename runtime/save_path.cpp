#include "runtime/save_path.h"

#include "runtime/program.h"
#include "runtime/window_model.h"

namespace apprt {

std::optional<std::string> askSavePath(SavePathRequest request) {
  request.window = newestOpenWindow();
  std::string path;
  {
    UnlockedWait unlocked;
    path = frontEnd().askSavePath(request);
  }
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace apprt
