#pragma once
// A help page shown over the desktop: its text wrapped to the screen, paged
// with the arrow and page keys, closed with Esc, Enter or a click.

#include <optional>
#include <string>
#include <vector>

#include "ui/tui/canvas.h"
#include "ui/tui/key_decoding.h"

namespace fesk::tui {

class HelpPageView {
 public:
  // Shows the page of `helpId` (the index page for "") on a screen `cols` wide.
  void show(const std::string& helpId, int cols);
  bool shown() const { return page_.has_value(); }
  void close() { page_.reset(); }
  // Pages or closes with a key, on a screen `rows` high.
  void key(const DecodedKey& key, int rows);
  void paint(Canvas& canvas, int cols, int rows) const;

 private:
  struct Page {
    std::string title;
    std::vector<std::wstring> lines;
    int top = 0;
  };
  std::optional<Page> page_;
};

}  // namespace fesk::tui
