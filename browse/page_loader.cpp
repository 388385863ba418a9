#include "browse/page_loader.h"

#include "browse/edit_states.h"
#include "browse/list_control.h"
#include "browse/private_properties.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/unreachable_store.h"
#include "runtime/windows/windows.h"

namespace fesk::detail {
namespace {

// Whether the list can take a selection now: it is shown, or it is hidden only
// until its first load.
bool listMayTakeSelection(int16_t list) {
  return apprt::getProp(list, apprt::kPropHide) == 0 ||
         apprt::getProp(list, apprt::kPropHideUntilLoaded) != 0;
}

}  // namespace

Flow PageLoader::loadPage() {
  call_.displayQueue.setAside();
  engineState().MoreRecords = 0;
  block().CUREVENT = static_cast<int16_t>(apprt::EVENT());
  block().CURROW = 0;
  return upwardFill(false);
}

Flow PageLoader::upwardFill(bool resuming) {
  BrowseBlock& blk = block();
  if (resuming) {
    if (blk.SKIPRECORD) {
      blk.SKIPRECORD = 0;
      --blk.CURROW;
    } else {
      source_.savePosition();
      call_.displayQueue.addAt(1);
    }
  }
  const long target = long{blk.SETTOITEM} - engineState().InsertRowPending;
  while ((blk.EXTVSCROLL && !engineState().MoreRecords) ||
         static_cast<long>(call_.rows()) < target) {
    const FillRead read = readForFill(kBackward, FillEdge{apprt::kEventPageUp, apprt::kThumbTop});
    if (read == FillRead::kStoreTrouble) return keepOldPage();
    if (read == FillRead::kEnd) break;
    if (blk.EXTVSCROLL && static_cast<long>(call_.rows()) >= target) {
      if (call_.rows() > 0) engineState().MoreRecords = 1;
      break;
    }
    return returnWith(kActionFillRow, kResumeUpwardFill);
  }
  blk.SETTOITEM = static_cast<uint8_t>(call_.rows() > 0 ? call_.rows() : 1);
  return prepareDownwardFill();
}

Flow PageLoader::prepareDownwardFill() {
  BrowseBlock& blk = block();
  if (call_.rows() > 0) {
    // Stand on the last row's record so that the next forward read follows it.
    call_.displayQueue.clearBuffer();
    source_.standOnRow(call_.rows(), true);
  } else if (blk.SETTOKEY == kSetToKeyReadOn) {
    // Page down: read on from the record below the old page (a probe read
    // above the empty page may have moved the file since).
    blk.SETTOKEY = kSetToKeyLocate;
    if (!call_.belowOldPage.empty()) source_.resetTo(call_.belowOldPage);
  } else if (blk.SETTOKEY) {
    locator_.positionAtLocatedValue();
  } else {
    locator_.positionAtStart();
  }
  return downwardFill(false);
}

Flow PageLoader::downwardFill(bool resuming) {
  BrowseBlock& blk = block();
  if (resuming) {
    if (blk.SKIPRECORD) {
      blk.SKIPRECORD = 0;
    } else {
      source_.savePosition();
      call_.displayQueue.add();
    }
  }
  const long target = long{blk.ROWS} - engineState().InsertRowPending;
  while (blk.EXTVSCROLL || static_cast<long>(call_.rows()) < target) {
    const FillRead read =
        readForFill(kForward, FillEdge{apprt::kEventPageDown, apprt::kThumbBottom});
    if (read == FillRead::kStoreTrouble) return keepOldPage();
    if (read == FillRead::kEnd) break;
    if (blk.EXTVSCROLL && static_cast<long>(call_.rows()) >= target) {
      engineState().MoreRecords = 1;
      break;
    }
    return returnWith(kActionFillRow, kResumeDownwardFill);
  }
  if (static_cast<long>(call_.rows()) >= target) return selectAndFinish();
  return startTopUpFill();
}

Flow PageLoader::startTopUpFill() {
  if (call_.rows() > 0) {
    // Stand on row 1's record so that the next backward read returns the one above.
    call_.displayQueue.clearBuffer();
    source_.clearRecord(call_.OrderSign);
    source_.standOnRow(1, false);
  } else {
    locator_.positionAtEnd();
  }
  return topUpFill(false);
}

Flow PageLoader::topUpFill(bool resuming) {
  BrowseBlock& blk = block();
  if (resuming) {
    if (blk.SKIPRECORD) {
      blk.SKIPRECORD = 0;
    } else {
      ++blk.SETTOITEM;  // the starting record moves down one row
      source_.savePosition();
      call_.displayQueue.addAt(1);
    }
  }
  const long target = long{blk.ROWS} - engineState().InsertRowPending;
  while ((blk.EXTVSCROLL && !engineState().MoreRecords) ||
         static_cast<long>(call_.rows()) < target) {
    const FillRead read = readForFill(kBackward, std::nullopt);
    if (read == FillRead::kStoreTrouble) return keepOldPage();
    if (read == FillRead::kEnd) break;
    if (blk.EXTVSCROLL && static_cast<long>(call_.rows()) >= target) {
      engineState().MoreRecords = 1;
      break;
    }
    return returnWith(kActionFillRow, kResumeTopUpFill);
  }
  return selectAndFinish();
}

PageLoader::FillRead PageLoader::readForFill(bool forward, std::optional<FillEdge> edge) {
  if (!source_.readNewRow(forward)) {
    if (readMetStoreTrouble()) return FillRead::kStoreTrouble;
    if (source_.usingView()) locator_.reopenViewAtKeyStart();
    return FillRead::kEnd;
  }
  if (!locator_.accepted()) {
    if (edge && block().CUREVENT == edge->event) hitEdge(edge->thumb);
    return FillRead::kEnd;
  }
  if (source_.readRecordShown()) return FillRead::kEnd;
  return FillRead::kRow;
}

Flow PageLoader::selectAndFinish() {
  BrowseBlock& blk = block();
  const size_t count = call_.rows();
  size_t row = blk.SETTOITEM;
  // Forced to the top, or no row asked for: the first row.
  if (blk.FORCETOP || (!blk.FORCEBOT && row == 0)) {
    row = 1;
  } else if (blk.FORCEBOT) {
    row = count;
  } else if (row > count) {
    row = count;
    // A located value beyond the last record.
    if (blk.SETTOKEY) hitEdge(apprt::kThumbBottom);
  }

  if (blk.DONTSELECT) {
    blk.DONTSELECT = 0;
  } else if (!engineState().InsertRowPending && engineState().EditState == kEditStateNone &&
             listMayTakeSelection(listField()) && row >= 1 && row <= count) {
    apprt::SELECT(listField(), static_cast<int>(row));
  }
  if (count == 0) source_.clearRecord(0);
  if (!blk.EXTVSCROLL) engineState().MoreRecords = 1;
  apprt::setProp(0, kPropRefreshPending, 1);
  if (!blk.FORCEVSCROLL) {
    const bool show = count >= blk.ROWS && engineState().MoreRecords == 1;
    apprt::setProp(listField(), apprt::kPropVScroll, show ? blk.VSCROLL : 0);
  }
  engineState().MoreRecords = 0;
  serveNudgeList();

  blk.CURITEM = static_cast<uint8_t>(row);
  return endLoad();
}

// The store did not answer: the rows that were shown stay, the user is told
// why (a lost server once), and the next gesture reads again.
Flow PageLoader::keepOldPage() {
  const apprt::DriverStatus trouble = apprt::lastFileError();
  call_.displayQueue.putBack();
  apprt::DISPLAY(listField());
  engineState().InsertRowPending = 0;
  engineState().MoreRecords = 0;
  browseBeep();
  apprt::tellDriverTroubleOnce(trouble);
  return endLoad();
}

// What every load leaves behind: no load under way, the event done.
Flow PageLoader::endLoad() {
  BrowseBlock& blk = block();
  blk.CURROW = 0;
  blk.CUREVENT = 0;
  blk.DIRECTION = 0;
  blk.FORCETOP = 0;
  blk.FORCEBOT = 0;
  blk.SETTOITEM = 0;
  blk.SETTOKEY = kSetToKeyNone;
  blk.ACTION = kActionEventDone;
  return Flow::kEndOfEvent;
}

// Loads the page again with the selected row's record (SETTOITEM
// kReloadOnSelected) or its neighbour (any other value) on the same row.
Flow PageLoader::reloadAroundSelection() {
  BrowseBlock& blk = block();
  call_.displayQueue.clearBuffer();
  const int selected = apprt::CHOICE(listField());
  if (blk.SETTOITEM == kReloadOnSelected) {
    blk.SETTOITEM = static_cast<uint8_t>(selected);
  } else if (blk.SETTOITEM != 0) {
    const bool atLastRow = selected > 0 && static_cast<size_t>(selected) == call_.rows();
    blk.SETTOITEM = static_cast<uint8_t>(atLastRow ? selected - 1 : selected + 1);
  }
  // A row that is not there anchors nothing: the page then loads from the start
  // (or from a located value) instead of from wherever the file stood.
  if (!call_.displayQueue.get(blk.SETTOITEM)) blk.SETTOITEM = 0;
  source_.clearRecord(call_.OrderSign);
  source_.resetToStored();
  return loadPage();
}

}  // namespace fesk::detail
