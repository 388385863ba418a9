// The user's requests turned into hand-overs to the procedure: insert (with a
// blank row in the list when the procedure edits in place), batch add, change
// and delete of the selected record after a re-check that it still exists,
// and the activation of a row (select or change).

#include "browse/browse_cycle.h"
#include "browse/edit_states.h"
#include "runtime/constants.h"
#include "runtime/errors.h"
#include "runtime/windows.h"

namespace fesk::detail {
namespace {

constexpr uint8_t kBatchStarting = 255;  // ENDBATCH while a batch prepares its first row

}  // namespace

Flow BrowseCycle::batchAddRequest() {
  if (b().NOINSERTS) return Flow::kFinalStage;
  if (rows() == 0) return returnWith(kActionEmptyRequest, kResumeBatchRequest);
  b().ACTION = kActionBatchRow;
  return requestPath();
}

Flow BrowseCycle::insertRequest() {
  if (b().NOINSERTS) return Flow::kFinalStage;
  if (rows() == 0) return returnWith(kActionEmptyRequest, kResumeInsertRequest);
  b().ACTION = kActionInsert;
  return requestPath();
}

Flow BrowseCycle::changeRequest() {
  if (b().NOCHANGES) return Flow::kFinalStage;
  b().ACTION = kActionChange;
  return requestPath();
}

Flow BrowseCycle::deleteRequest() {
  if (b().NODELETES) return Flow::kFinalStage;
  b().CALLNORECORDS = 2;  // report the list if the delete empties it
  b().ACTION = kActionDelete;
  return requestPath();
}

Flow BrowseCycle::requestPath() {
  BrowseBlock& blk = b();
  blk.DISPLAYFLAG = 1;
  if (EditState == kEditStateNone && apprt::SELECTED() != list()) apprt::SELECT(list());
  blk.CURITEM = static_cast<uint8_t>(apprt::CHOICE(list()));
  const bool fetched = displayQueue_.get(blk.CURITEM);

  if (blk.ACTION == kActionBatchRow || blk.ACTION == kActionInsert) {
    clearRecord(OrderSign);
    uint8_t mode = blk.INSERTMODE;
    if (blk.ACTION == kActionBatchRow) {
      mode = 2;
      blk.ENDBATCH = kBatchStarting;
    }
    apprt::SETKEYCODE(0);
    switch (mode) {
      case 1:
        InsertRowPending = 1;
        return firstPage();  // leaves the top row free
      case 2:
        InsertRowPending = 1;
        return lastPage();  // leaves the bottom row free
      case 3:
        InsertRowPending = 1;
        return Flow::kEndOfEvent;
      default:
        return Flow::kEndOfEvent;
    }
  }

  // A change or a delete needs the selected row's record, as it is stored now.
  if (!fetched) {
    blk.ACTION = kActionEventDone;
    clearRecord(OrderSign);
    browseBeep();
  } else {
    recheckRecord();
  }
  apprt::SETKEYCODE(0);
  return Flow::kEndOfEvent;
}

// Reads the selected row's record again, with change detection armed unless
// WATCHOFF. Through the file the record must still stand at the row's stored
// position: a record that was deleted or re-keyed meanwhile does not.
void BrowseCycle::recheckRecord() {
  BrowseBlock& blk = b();
  bool gone = false;
  if (usingView()) {
    if (!blk.WATCHOFF) view_->watch();
    view_->reget(position_);
    gone = apprt::ERRCODE() != apprt::kNoError;
  } else {
    file_.resetToPosition(key_, position_);
    if (!blk.WATCHOFF) file_.watch();
    file_.next();
    gone = apprt::ERRCODE() != apprt::kNoError || file_.positionByKey(key_) != position_;
  }
  if (!gone) return;
  const std::string title =
      blk.ACTION == kActionChange ? "Error Changing Record" : "Error Deleting Record";
  clearRecord(OrderSign);
  browseBeep();
  apprt::messageBox("The selected record is no longer available!", title, apprt::Icon::None,
                    apprt::kButtonOk, apprt::kButtonOk);
  blk.ACTION = kActionEventDone;
}

Flow BrowseCycle::placeInsertRow() {
  BrowseBlock& blk = b();
  InsertRowPending = 0;
  const uint8_t mode = blk.ENDBATCH == kBatchStarting ? 2 : blk.INSERTMODE;
  switch (mode) {
    case 1:
      displayQueue_.clearBuffer();
      displayQueue_.addAt(1);
      apprt::SELECT(list(), 1);
      break;
    case 2:
      displayQueue_.clearBuffer();
      displayQueue_.add();
      apprt::SELECT(list(), static_cast<int>(rows()));
      break;
    case 3: {
      // The blank row goes above the selected row and carries its position; on
      // a full page the row at the far end leaves to make room.
      const int selected = apprt::CHOICE(list());
      scratch_.clear();
      if (displayQueue_.get(selected)) scratch_ = position_;
      if (rows() >= blk.ROWS) {
        const bool atLastRow = selected > 0 && static_cast<size_t>(selected) == rows();
        displayQueue_.get(atLastRow ? 1 : rows());
        displayQueue_.remove();
      }
      displayQueue_.clearBuffer();
      position_ = scratch_;
      const size_t at = selected > 0 ? static_cast<size_t>(selected) : 1;
      displayQueue_.addAt(at);
      displayQueue_.get(displayQueue_.pointer());
      apprt::SELECT(list(), static_cast<int>(displayQueue_.pointer()));
      break;
    }
    default:
      break;
  }
  apprt::DISPLAY(list());
  if (blk.ENDBATCH == kBatchStarting) {
    blk.ENDBATCH = 0;
    return returnWith(kActionBatchRow);
  }
  return returnWith(kActionInsert);
}

// The procedure edited the blank last row; unless the batch is over, the row
// is taken into the list from the record and the next blank row follows.
Flow BrowseCycle::continueBatch() {
  BrowseBlock& blk = b();
  if (blk.ENDBATCH) {
    blk.DISPLAYFLAG = 0;
    blk.ACTION = kActionEventDone;
    return Flow::kEndOfEvent;
  }
  if (rows() > blk.ROWS) {
    displayQueue_.get(1);
    displayQueue_.remove();
  }
  displayQueue_.get(rows());
  displayQueue_.remove();
  displayQueue_.clearBuffer();
  return returnWith(kActionFillRow, kResumeBatchRow);
}

Flow BrowseCycle::addBatchRow() {
  displayQueue_.add();
  displayQueue_.clearBuffer();
  displayQueue_.add();
  apprt::DISPLAY(list());
  apprt::SELECT(list(), static_cast<int>(rows()));
  return returnWith(kActionBatchRow);
}

Flow BrowseCycle::rowActivation() {
  BrowseBlock& blk = b();
  blk.CURITEM = static_cast<uint8_t>(apprt::CHOICE(list()));
  if (apprt::KEYCODE() != apprt::kKeyMouseLeftDouble) return Flow::kEndOfEvent;
  if (apprt::FIELD() != 0) apprt::UPDATE(apprt::FIELD());
  apprt::SETKEYCODE(0);
  if (blk.SELECTRECORD == 1) {
    blk.ACTION = kActionSelected;
    return Flow::kEndOfEvent;
  }
  return changeRequest();
}

}  // namespace fesk::detail
