#include "ui/web/page_files.h"

namespace fesk::web {

std::string_view fileNamed(const std::vector<PageFile>& files, std::string_view name) {
  for (const PageFile& f : files)
    if (f.name == name) return f.text;
  return {};
}

std::string_view pageFile(std::string_view name) {
  return fileNamed(pageFiles(), name);
}

std::string_view helpPage(std::string_view helpId) {
  const std::string_view page = fileNamed(helpPages(), helpId);
  return page.empty() ? fileNamed(helpPages(), "index") : page;
}

}  // namespace fesk::web
