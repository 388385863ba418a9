#pragma once
// What the page loads besides itself, its script and its style sheet, each
// served under a name that holds a digest of its text, so that a browser may
// keep them for good: a changed file is served under a new name, which the
// pages of the same program name. The page's scripts are served joined, as
// one script, so that a browser reads one file for them. The sign-in page
// loads that script too: the program's page is built in its place after
// the sign-in, or, loaded after it, finds the script at hand.

#include <QByteArray>
#include <string>
#include <string_view>
#include <vector>

#include "ui/web/page_files.h"

namespace fesk::web {

struct PageAsset {
  std::string plainPath;   // as the pages' sources name it: "/page.js"
  std::string servedPath;  // with its digest: "/page.0123456789abcdef.js"
  QByteArray type;         // its Content-Type
  QByteArray text;
};

class PageAssets {
 public:
  // The assets made of `files` (the page's files).
  explicit PageAssets(const std::vector<PageFile>& files);

  const std::vector<PageAsset>& all() const { return assets_; }
  // The page `html` with each asset's plain address replaced by its served
  // one.
  QByteArray linked(std::string_view html) const;

 private:
  std::vector<PageAsset> assets_;
};

}  // namespace fesk::web
