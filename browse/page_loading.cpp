// Loading a page: the upward fill brings the starting record to row SETTOITEM
// with the records above it, the downward fill completes the page below, and
// the top-up fill completes from above a page that ran out at the bottom.
// Every record that becomes a row passes through the procedure
// (kActionFillRow).

#include "browse/browse_cycle.h"
#include "browse/edit_states.h"
#include "browse/private_properties.h"
#include "runtime/constants.h"
#include "runtime/windows.h"

namespace fesk::detail {
namespace {

// Whether the list can take a selection now: it is shown, or it is hidden only
// until its first load.
bool listMayTakeSelection(int16_t list) {
  return apprt::getProp(list, apprt::kPropHide) == 0 ||
         apprt::getProp(list, apprt::kPropHideUntilLoaded) != 0;
}

}  // namespace

Flow BrowseCycle::loadPage() {
  displayQueue_.free();
  MoreRecords = 0;
  b().CUREVENT = static_cast<int16_t>(apprt::EVENT());
  b().CURROW = 0;
  return upwardFill(false);
}

Flow BrowseCycle::upwardFill(bool resuming) {
  BrowseBlock& blk = b();
  if (resuming) {
    if (blk.SKIPRECORD) {
      blk.SKIPRECORD = 0;
      --blk.CURROW;
    } else {
      savePosition();
      displayQueue_.addAt(1);
    }
  }
  const long target = long{blk.SETTOITEM} - InsertRowPending;
  while ((blk.EXTVSCROLL && !MoreRecords) || static_cast<long>(rows()) < target) {
    if (!readBackward()) {
      if (usingView()) reopenViewAtKeyStart();
      break;
    }
    if (!accepted()) {
      if (blk.CUREVENT == apprt::kEventPageUp) hitEdge(apprt::kThumbTop);
      break;
    }
    if (blk.EXTVSCROLL && static_cast<long>(rows()) >= target) {
      if (rows() > 0) MoreRecords = 1;
      break;
    }
    return returnWith(kActionFillRow, kResumeUpwardFill);
  }
  blk.SETTOITEM = static_cast<uint8_t>(rows() > 0 ? rows() : 1);
  return prepareDownwardFill();
}

Flow BrowseCycle::prepareDownwardFill() {
  BrowseBlock& blk = b();
  if (rows() > 0) {
    // Stand on the last row's record so that the next forward read follows it.
    displayQueue_.clearBuffer();
    standOnRow(rows(), true);
  } else if (blk.SETTOKEY == 99) {
    // Page down: read on from the record below the old page (a probe read
    // above the empty page may have moved the file since).
    blk.SETTOKEY = 1;
    if (!belowOldPage_.empty()) resetTo(belowOldPage_);
  } else if (blk.SETTOKEY) {
    positionAtLocatedValue();
  } else {
    positionAtStart();
  }
  return downwardFill(false);
}

Flow BrowseCycle::downwardFill(bool resuming) {
  BrowseBlock& blk = b();
  if (resuming) {
    if (blk.SKIPRECORD) {
      blk.SKIPRECORD = 0;
    } else {
      savePosition();
      displayQueue_.add();
    }
  }
  const long target = long{blk.ROWS} - InsertRowPending;
  while (blk.EXTVSCROLL || static_cast<long>(rows()) < target) {
    if (!readForward()) {
      if (usingView()) reopenViewAtKeyStart();
      break;
    }
    if (!accepted()) {
      if (blk.CUREVENT == apprt::kEventPageDown) hitEdge(apprt::kThumbBottom);
      break;
    }
    if (blk.EXTVSCROLL && static_cast<long>(rows()) >= target) {
      MoreRecords = 1;
      break;
    }
    return returnWith(kActionFillRow, kResumeDownwardFill);
  }
  if (static_cast<long>(rows()) >= target) return selectAndFinish();
  return startTopUpFill();
}

Flow BrowseCycle::startTopUpFill() {
  if (rows() > 0) {
    // Stand on row 1's record so that the next backward read returns the one above.
    displayQueue_.clearBuffer();
    clearRecord(OrderSign);
    standOnRow(1, false);
  } else {
    positionAtEnd();
  }
  return topUpFill(false);
}

Flow BrowseCycle::topUpFill(bool resuming) {
  BrowseBlock& blk = b();
  if (resuming) {
    if (blk.SKIPRECORD) {
      blk.SKIPRECORD = 0;
    } else {
      ++blk.SETTOITEM;  // the starting record moves down one row
      savePosition();
      displayQueue_.addAt(1);
    }
  }
  const long target = long{blk.ROWS} - InsertRowPending;
  while ((blk.EXTVSCROLL && !MoreRecords) || static_cast<long>(rows()) < target) {
    if (!readBackward()) {
      if (usingView()) reopenViewAtKeyStart();
      break;
    }
    if (!accepted()) break;
    if (blk.EXTVSCROLL && static_cast<long>(rows()) >= target) {
      MoreRecords = 1;
      break;
    }
    return returnWith(kActionFillRow, kResumeTopUpFill);
  }
  return selectAndFinish();
}

Flow BrowseCycle::selectAndFinish() {
  BrowseBlock& blk = b();
  const size_t count = rows();
  size_t row = blk.SETTOITEM;
  if (blk.FORCETOP) {
    row = 1;
  } else if (blk.FORCEBOT) {
    row = count;
  } else if (row == 0) {
    row = 1;
  } else if (row > count) {
    row = count;
    if (blk.SETTOKEY) hitEdge(apprt::kThumbBottom);  // the located value lies beyond the last record
  }

  if (blk.DONTSELECT) {
    blk.DONTSELECT = 0;
  } else if (!InsertRowPending && EditState == kEditStateNone && listMayTakeSelection(list()) &&
             row >= 1 && row <= count) {
    apprt::SELECT(list(), static_cast<int>(row));
  }
  if (count == 0) clearRecord(0);
  if (!blk.EXTVSCROLL) MoreRecords = 1;
  apprt::setProp(0, kPropRefreshPending, 1);
  if (!blk.FORCEVSCROLL) {
    const bool show = count >= blk.ROWS && MoreRecords == 1;
    apprt::setProp(list(), apprt::kPropVScroll, show ? blk.VSCROLL : 0);
  }
  MoreRecords = 0;
  serveNudgeList();

  blk.CURITEM = static_cast<uint8_t>(row);
  blk.CURROW = 0;
  blk.CUREVENT = 0;
  blk.DIRECTION = 0;
  blk.FORCETOP = 0;
  blk.FORCEBOT = 0;
  blk.SETTOITEM = 0;
  blk.SETTOKEY = 0;
  blk.ACTION = kActionEventDone;
  return Flow::kEndOfEvent;
}

// Loads the page again with the selected row's record (SETTOITEM 1) or its
// neighbour (any other value) on the same row.
Flow BrowseCycle::reloadAroundSelection() {
  BrowseBlock& blk = b();
  displayQueue_.clearBuffer();
  const int selected = apprt::CHOICE(list());
  if (blk.SETTOITEM == 1) {
    blk.SETTOITEM = static_cast<uint8_t>(selected);
  } else if (blk.SETTOITEM != 0) {
    const bool atLastRow = selected > 0 && static_cast<size_t>(selected) == rows();
    blk.SETTOITEM = static_cast<uint8_t>(atLastRow ? selected - 1 : selected + 1);
  }
  // A row that is not there anchors nothing: the page then loads from the start
  // (or from a located value) instead of from wherever the file stood.
  if (!displayQueue_.get(blk.SETTOITEM)) blk.SETTOITEM = 0;
  clearRecord(OrderSign);
  resetToStored();
  return loadPage();
}

}  // namespace fesk::detail
