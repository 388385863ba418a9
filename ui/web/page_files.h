#pragma once
// The page's files (HTML, CSS, JavaScript), compiled into the program.

#include <string_view>
#include <vector>

namespace fesk::web {

struct PageFile {
  std::string_view name;  // the file name without its extension
  std::string_view text;
};
const std::vector<PageFile>& pageFiles();
// The program's help pages, by help id.
const std::vector<PageFile>& helpPages();

// The text of the file `name` among `files`; empty when there is none.
std::string_view fileNamed(const std::vector<PageFile>& files, std::string_view name);
// The text of the page file `name`; empty when there is none.
std::string_view pageFile(std::string_view name);
// The help page of `helpId`; the contents page for an unknown one.
std::string_view helpPage(std::string_view helpId);

}  // namespace fesk::web
