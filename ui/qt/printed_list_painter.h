#pragma once
// The one layout of a printed list, for every paged device: a PDF file, a
// printer, the pages of a print preview. Each page has the header (title and
// date, the data set, the column headings) and its number at the foot; each
// item is a line of columns with its detail lines indented under it. An item
// whose details run onto the next page is named again there.
//
// A preview lays the list out once without drawing, keeping only where each
// page starts, and draws a page when it is shown, from that start.

#include <QSizeF>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/frontend/printed_list.h"

class QPagedPaintDevice;
class QPainter;

namespace fesk::qt {

// Reads `source` to its end and paints it on `device`, opening pages as they
// fill. Throws PrintError when the device cannot be painted on (a file that
// cannot be written) or the source cannot be read.
void paintPrintedList(QPagedPaintDevice& device, const apprt::PrintedListHeader& header,
                      apprt::PrintedListSource& source);

// The part of the paper printed on, in pixels at `dpi`.
struct Paper {
  QSizeF area;
  int dpi = 0;
};

// Where a page starts: at the item `place` names, from its detail line
// `detail` on (0: at the item's own line; "" is the first item).
struct PageStart {
  std::string place;
  size_t detail = 0;
  bool operator==(const PageStart&) const = default;
};

// The list laid out on `paper` a block at a time, nothing drawn: the start of
// every page so far, the first page's first.
class PageCount {
 public:
  PageCount(const Paper& paper, const apprt::PrintedListHeader& header);
  ~PageCount();
  PageCount(const PageCount&) = delete;
  PageCount& operator=(const PageCount&) = delete;

  void add(const std::vector<apprt::PrintedItem>& items, const std::vector<std::string>& places);
  const std::vector<PageStart>& starts() const;

 private:
  struct Layout;
  std::unique_ptr<Layout> layout_;
};

// Reads the block that starts at the item `from` names, or after it (see
// PreviewedList::read).
using PageItems =
    std::function<bool(const std::string& from, bool after, std::vector<apprt::PrintedItem>& items,
                       std::vector<std::string>& places)>;

// Draws page `number`, which starts at `start`, with `painter`, whose device
// has the paper's resolution (its transformation scales the page as shown);
// reads only as far as the page goes.
void paintPage(QPainter& painter, const Paper& paper, const apprt::PrintedListHeader& header,
               const PageStart& start, int number, const PageItems& items);

}  // namespace fesk::qt
