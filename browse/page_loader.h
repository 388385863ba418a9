#pragma once
// Loading a page: the upward fill brings the starting record to row SETTOITEM
// with the records above it, the downward fill completes the page below, and
// the top-up fill completes from above a page that ran out at the bottom.
// Every record that becomes a row passes through the procedure
// (kActionFillRow); the fills resume where they handed over. A load that
// meets trouble in the store leaves the list with the page it had.

#include "browse/browse_call.h"
#include "browse/locator.h"
#include "browse/record_source.h"

namespace fesk::detail {

class PageLoader {
 public:
  PageLoader(BrowseCall& call, RecordSource& source, Locator& locator)
      : call_(call), source_(source), locator_(locator) {}

  Flow loadPage();
  Flow upwardFill(bool resuming);
  Flow downwardFill(bool resuming);
  Flow topUpFill(bool resuming);
  Flow reloadAroundSelection();

 private:
  Flow prepareDownwardFill();
  Flow startTopUpFill();
  Flow selectAndFinish();
  Flow keepOldPage();
  Flow endLoad();

  BrowseCall& call_;
  RecordSource& source_;
  Locator& locator_;
};

}  // namespace fesk::detail
