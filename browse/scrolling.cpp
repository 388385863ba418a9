// Scrolling a page: one row up or down (one read and one row moved), a page
// up or down (a page load next to the old page), the first and the last page,
// and the scroll bar's thumb. At either end of the file the page stays, the
// thumb goes to that end and the engine beeps.

#include "browse/browse_cycle.h"
#include "runtime/constants.h"
#include "runtime/windows.h"

namespace fesk::detail {

void BrowseCycle::hitEdge(int thumbValue) {
  ThumbSet = 1;
  setThumb(thumbValue);
  browseBeep();
}

Flow BrowseCycle::scrollUp() {
  BrowseBlock& blk = b();
  apprt::DISPLAY(list());
  const int selected = apprt::CHOICE(list());
  if (selected > 1) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(list(), selected - 1);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (blk.DIRECTION != -1) {
    // Stand on row 1's record, so that the next backward read returns the one above.
    if (!standOnRow(1, false)) {
      if (usingView()) reopenViewAtKeyStart();
      return loadPage();
    }
    if (!accepted()) return loadPage();
    blk.DIRECTION = -1;
  }
  return scrollUpFromAbove(false);
}

Flow BrowseCycle::scrollUpFromAbove(bool resuming) {
  BrowseBlock& blk = b();
  if (resuming) {
    if (!blk.SKIPRECORD) {
      displayQueue_.remove();  // the last row leaves
      savePosition();
      displayQueue_.addAt(1);
      return Flow::kEndOfEvent;
    }
    blk.SKIPRECORD = 0;
  }
  if (!readBackward()) {
    if (usingView()) reopenViewAtKeyStart();
    hitEdge(apprt::kThumbTop);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (!accepted()) {
    hitEdge(apprt::kThumbTop);
    focusEditedColumn();
    readForward();
    return Flow::kEndOfEvent;
  }
  if (!blk.THUMBOPTION) {
    setThumb(apprt::kThumbBottom);
    setThumb(thumb() / 2);
  }
  displayQueue_.get(rows());
  displayQueue_.clearBuffer();
  return returnWith(kActionFillRow, kResumeScrollUp);
}

Flow BrowseCycle::scrollDown() {
  BrowseBlock& blk = b();
  apprt::DISPLAY(list());
  const int selected = apprt::CHOICE(list());
  if (selected < static_cast<int>(rows())) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(list(), selected + 1);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (blk.DIRECTION != 1) {
    // Stand on the last row's record, so that the next forward read returns the one below.
    if (!standOnRow(rows(), true) || !accepted()) return lastPage();
    blk.DIRECTION = 1;
  }
  return scrollDownFromBelow(false);
}

Flow BrowseCycle::scrollDownFromBelow(bool resuming) {
  BrowseBlock& blk = b();
  if (resuming) {
    if (!blk.SKIPRECORD) {
      displayQueue_.remove();  // row 1 leaves
      savePosition();
      displayQueue_.add();
      return Flow::kEndOfEvent;
    }
    blk.SKIPRECORD = 0;
  }
  if (!readForward()) {
    hitEdge(apprt::kThumbBottom);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (!accepted()) {
    readBackward();
    hitEdge(apprt::kThumbBottom);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (!blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
  displayQueue_.get(1);
  displayQueue_.clearBuffer();
  return returnWith(kActionFillRow, kResumeScrollDown);
}

Flow BrowseCycle::pageUp() {
  BrowseBlock& blk = b();
  apprt::DISPLAY(list());
  if (apprt::CHOICE(list()) > 1) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(list(), 1);
    return Flow::kEndOfEvent;
  }
  if (rows() == 0) return Flow::kEndOfEvent;
  if (!blk.THUMBOPTION && thumb() != apprt::kThumbMiddle) setThumb(apprt::kThumbMiddle);
  displayQueue_.clearBuffer();
  clearRecord(OrderSign);
  // Row 1's record, then the one above it.
  const bool above = standOnRow(1, false) && readBackward();
  if (!above || !accepted()) {
    clearRecord(OrderSign);
    resetToStored();
    readForward();
    hitEdge(apprt::kThumbTop);
    return Flow::kEndOfEvent;
  }
  resetTo(readPosition());  // the upward fill starts with the record above
  blk.SETTOITEM = blk.ROWS;
  blk.SETTOKEY = 0;
  blk.FORCETOP = 1;
  return loadPage();
}

Flow BrowseCycle::pageDown() {
  BrowseBlock& blk = b();
  apprt::DISPLAY(list());
  if (apprt::CHOICE(list()) < static_cast<int>(rows())) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(list(), static_cast<int>(rows()));
    return Flow::kEndOfEvent;
  }
  if (rows() == 0) return Flow::kEndOfEvent;
  displayQueue_.clearBuffer();
  clearRecord(OrderSign);
  // The last row's record, then the one below it.
  const bool below = standOnRow(rows(), true) && readForward();
  if (!blk.THUMBOPTION) {
    setThumb(apprt::kThumbBottom);
    setThumb(thumb() / 2);
  }
  if (!below) {
    hitEdge(apprt::kThumbBottom);
    return Flow::kEndOfEvent;
  }
  if (!accepted()) {
    readBackward();
    hitEdge(apprt::kThumbBottom);
    return Flow::kEndOfEvent;
  }
  belowOldPage_ = readPosition();
  resetTo(belowOldPage_);  // the downward fill starts with the record below
  blk.SETTOITEM = 0;
  blk.SETTOKEY = 99;
  blk.FORCEBOT = 1;
  return loadPage();
}

Flow BrowseCycle::firstPage() {
  ThumbSet = 1;
  setThumb(apprt::kThumbTop);
  return loadPage();
}

Flow BrowseCycle::lastPage() {
  BrowseBlock& blk = b();
  positionAtEnd();
  ThumbSet = 1;
  setThumb(apprt::kThumbBottom);
  blk.SETTOITEM = blk.ROWS;
  blk.SETTOKEY = 0;
  blk.FORCEBOT = 1;
  return loadPage();
}

Flow BrowseCycle::thumbMoved() {
  BrowseBlock& blk = b();
  const int at = thumb();
  if (!blk.THUMBOPTION) {
    apprt::POST(at > apprt::kThumbMiddle ? apprt::kEventScrollBottom : apprt::kEventScrollTop, list());
  } else if (at == apprt::kThumbTop) {
    apprt::POST(apprt::kEventScrollTop, list());
  } else if (at == apprt::kThumbBottom) {
    apprt::POST(apprt::kEventScrollBottom, list());
  } else {
    blk.ACTION = kActionThumbMoved;
  }
  return Flow::kEndOfEvent;
}

}  // namespace fesk::detail
