#include "browse/scroller.h"

#include "browse/list_control.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/windows.h"

namespace fesk::detail {

Flow Scroller::scrollUp() {
  BrowseBlock& blk = block();
  apprt::DISPLAY(listField());
  const int selected = apprt::CHOICE(listField());
  if (selected > 1) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(listField(), selected - 1);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (blk.DIRECTION != -1) {
    // Stand on row 1's record, so that the next backward read returns the one above.
    if (!source_.standOnRow(1, false)) {
      if (source_.usingView()) locator_.reopenViewAtKeyStart();
      return pages_.loadPage();
    }
    if (!locator_.accepted()) return pages_.loadPage();
    blk.DIRECTION = -1;
  }
  return scrollUpFromAbove(false);
}

Flow Scroller::scrollUpFromAbove(bool resuming) {
  BrowseBlock& blk = block();
  if (resuming) {
    if (!blk.SKIPRECORD) {
      call_.displayQueue.remove();  // the last row leaves
      source_.savePosition();
      call_.displayQueue.addAt(1);
      return Flow::kEndOfEvent;
    }
    blk.SKIPRECORD = 0;
  }
  if (!source_.readNewRow(false)) {
    if (source_.usingView()) locator_.reopenViewAtKeyStart();
    hitEdge(apprt::kThumbTop);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (!locator_.accepted() || source_.readRecordShown()) {
    hitEdge(apprt::kThumbTop);
    focusEditedColumn();
    source_.readForward();
    return Flow::kEndOfEvent;
  }
  if (!blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
  call_.displayQueue.get(call_.rows());
  call_.displayQueue.clearBuffer();
  return returnWith(kActionFillRow, kResumeScrollUp);
}

Flow Scroller::scrollDown() {
  BrowseBlock& blk = block();
  apprt::DISPLAY(listField());
  const int selected = apprt::CHOICE(listField());
  if (selected < static_cast<int>(call_.rows())) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(listField(), selected + 1);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (blk.DIRECTION != 1) {
    // Stand on the last row's record, so that the next forward read returns the one below.
    if (!source_.standOnRow(call_.rows(), true) || !locator_.accepted()) return lastPage();
    blk.DIRECTION = 1;
  }
  return scrollDownFromBelow(false);
}

Flow Scroller::scrollDownFromBelow(bool resuming) {
  BrowseBlock& blk = block();
  if (resuming) {
    if (!blk.SKIPRECORD) {
      call_.displayQueue.remove();  // row 1 leaves
      source_.savePosition();
      call_.displayQueue.add();
      return Flow::kEndOfEvent;
    }
    blk.SKIPRECORD = 0;
  }
  if (!source_.readNewRow(true)) {
    hitEdge(apprt::kThumbBottom);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (!locator_.accepted() || source_.readRecordShown()) {
    source_.readBackward();
    hitEdge(apprt::kThumbBottom);
    focusEditedColumn();
    return Flow::kEndOfEvent;
  }
  if (!blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
  call_.displayQueue.get(1);
  call_.displayQueue.clearBuffer();
  return returnWith(kActionFillRow, kResumeScrollDown);
}

Flow Scroller::pageUp() {
  BrowseBlock& blk = block();
  apprt::DISPLAY(listField());
  if (apprt::CHOICE(listField()) > 1) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(listField(), 1);
    return Flow::kEndOfEvent;
  }
  if (call_.rows() == 0) return Flow::kEndOfEvent;
  if (!blk.THUMBOPTION && thumb() != apprt::kThumbMiddle) setThumb(apprt::kThumbMiddle);
  call_.displayQueue.clearBuffer();
  source_.clearRecord(call_.OrderSign);
  // Row 1's record, then the one above it.
  const bool above = source_.standOnRow(1, false) && source_.readBackward();
  if (!above || !locator_.accepted()) {
    source_.clearRecord(call_.OrderSign);
    source_.resetToStored();
    source_.readForward();
    hitEdge(apprt::kThumbTop);
    return Flow::kEndOfEvent;
  }
  source_.resetTo(source_.readPosition());  // the upward fill starts with the record above
  blk.SETTOITEM = blk.ROWS;
  blk.SETTOKEY = kSetToKeyNone;
  blk.FORCETOP = 1;
  return pages_.loadPage();
}

Flow Scroller::pageDown() {
  BrowseBlock& blk = block();
  apprt::DISPLAY(listField());
  if (apprt::CHOICE(listField()) < static_cast<int>(call_.rows())) {
    apprt::SETKEYCODE(0);
    apprt::SELECT(listField(), static_cast<int>(call_.rows()));
    return Flow::kEndOfEvent;
  }
  if (call_.rows() == 0) return Flow::kEndOfEvent;
  call_.displayQueue.clearBuffer();
  source_.clearRecord(call_.OrderSign);
  // The last row's record, then the one below it.
  const bool below = source_.standOnRow(call_.rows(), true) && source_.readForward();
  if (!blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
  if (!below) {
    hitEdge(apprt::kThumbBottom);
    return Flow::kEndOfEvent;
  }
  if (!locator_.accepted()) {
    source_.readBackward();
    hitEdge(apprt::kThumbBottom);
    return Flow::kEndOfEvent;
  }
  call_.belowOldPage = source_.readPosition();
  source_.resetTo(call_.belowOldPage);  // the downward fill starts with the record below
  blk.SETTOITEM = 0;
  blk.SETTOKEY = kSetToKeyReadOn;
  blk.FORCEBOT = 1;
  return pages_.loadPage();
}

Flow Scroller::firstPage() {
  engineState().ThumbSet = 1;
  setThumb(apprt::kThumbTop);
  return pages_.loadPage();
}

Flow Scroller::lastPage() {
  BrowseBlock& blk = block();
  locator_.positionAtEnd();
  engineState().ThumbSet = 1;
  setThumb(apprt::kThumbBottom);
  blk.SETTOITEM = blk.ROWS;
  blk.SETTOKEY = kSetToKeyNone;
  blk.FORCEBOT = 1;
  return pages_.loadPage();
}

Flow Scroller::thumbMoved() {
  BrowseBlock& blk = block();
  const int at = thumb();
  if (!blk.THUMBOPTION) {
    apprt::POST(at > apprt::kThumbMiddle ? apprt::kEventScrollBottom : apprt::kEventScrollTop,
                listField());
  } else if (at == apprt::kThumbTop) {
    apprt::POST(apprt::kEventScrollTop, listField());
  } else if (at == apprt::kThumbBottom) {
    apprt::POST(apprt::kEventScrollBottom, listField());
  } else {
    blk.ACTION = kActionThumbMoved;
  }
  return Flow::kEndOfEvent;
}

}  // namespace fesk::detail
