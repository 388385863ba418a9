#pragma once
// Scrolling a page: one row up or down (one read and one row moved), a page
// up or down (a page load next to the old page), the first and the last page,
// and the scroll bar's thumb. At either end of the file the page stays, the
// thumb goes to that end and the engine beeps.

#include "browse/browse_call.h"
#include "browse/locator.h"
#include "browse/page_loader.h"
#include "browse/record_source.h"

namespace fesk::detail {

class Scroller {
 public:
  Scroller(BrowseCall& call, RecordSource& source, Locator& locator, PageLoader& pages)
      : call_(call), source_(source), locator_(locator), pages_(pages) {}

  Flow scrollUp();
  Flow scrollUpFromAbove(bool resuming);
  Flow scrollDown();
  Flow scrollDownFromBelow(bool resuming);
  Flow pageUp();
  Flow pageDown();
  Flow firstPage();
  Flow lastPage();
  Flow thumbMoved();

 private:
  BrowseCall& call_;
  RecordSource& source_;
  Locator& locator_;
  PageLoader& pages_;
};

}  // namespace fesk::detail
