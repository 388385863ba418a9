#include "ui/web/served_files.h"

namespace fesk::web {

std::string servedFileName(std::string_view name) {
  if (const auto slash = name.find_last_of('/'); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  while (name.starts_with('.')) name.remove_prefix(1);
  return std::string(name);
}

}  // namespace fesk::web
