#pragma once
// Loading a page: the upward fill brings the starting record to row SETTOITEM
// with the records above it, the downward fill completes the page below, and
// the top-up fill completes from above a page that ran out at the bottom.
// Every record that becomes a row passes through the procedure
// (kActionFillRow); the fills resume where they handed over. A load that
// meets trouble in the store leaves the list with the page it had.

#include <optional>

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
  // What one read of a fill found: a record to hand over as a row, the end of
  // the fill (no record that way, or one out of range), or trouble in the store.
  enum class FillRead { kRow, kEnd, kStoreTrouble };
  // The end of the file that a page event runs into: the thumb goes there.
  struct FillEdge {
    int event;
    int thumb;
  };
  static constexpr bool kForward = true;
  static constexpr bool kBackward = false;
  // Reads the next record of a fill; a record out of range met by the page
  // event of `edge` puts the thumb at that end and beeps.
  FillRead readForFill(bool forward, std::optional<FillEdge> edge);
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
