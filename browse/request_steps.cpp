#include "browse/request_steps.h"

#include "browse/edit_states.h"
#include "browse/list_control.h"
#include "runtime/files/errors.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/unreachable_store.h"
#include "runtime/windows/windows.h"

namespace fesk::detail {
namespace {

constexpr uint8_t kBatchStarting = 255;  // ENDBATCH while a batch prepares its first row

}  // namespace

Flow RequestSteps::batchAddRequest() {
  if (block().NOINSERTS) return Flow::kFinalStage;
  if (call_.rows() == 0) return returnWith(kActionEmptyRequest, kResumeBatchRequest);
  block().ACTION = kActionBatchRow;
  return requestPath();
}

Flow RequestSteps::insertRequest() {
  if (block().NOINSERTS) return Flow::kFinalStage;
  if (call_.rows() == 0) return returnWith(kActionEmptyRequest, kResumeInsertRequest);
  block().ACTION = kActionInsert;
  return requestPath();
}

Flow RequestSteps::changeRequest() {
  if (block().NOCHANGES) return Flow::kFinalStage;
  block().ACTION = kActionChange;
  return requestPath();
}

Flow RequestSteps::deleteRequest() {
  if (block().NODELETES) return Flow::kFinalStage;
  block().CALLNORECORDS = kNoticeAfterDelete;  // report the list if the delete empties it
  block().ACTION = kActionDelete;
  return requestPath();
}

Flow RequestSteps::requestPath() {
  BrowseBlock& blk = block();
  blk.DISPLAYFLAG = 1;
  if (engineState().EditState == kEditStateNone && apprt::SELECTED() != listField())
    apprt::SELECT(listField());
  blk.CURITEM = static_cast<uint8_t>(apprt::CHOICE(listField()));
  const bool fetched = call_.displayQueue.get(blk.CURITEM);

  if (blk.ACTION == kActionBatchRow || blk.ACTION == kActionInsert) {
    source_.clearRecord(call_.OrderSign);
    uint8_t mode = blk.INSERTMODE;
    if (blk.ACTION == kActionBatchRow) {
      mode = kInsertAtBottom;
      blk.ENDBATCH = kBatchStarting;
    }
    apprt::SETKEYCODE(0);
    switch (mode) {
      case kInsertAtTop:
        engineState().InsertRowPending = 1;
        return scroller_.firstPage();  // leaves the top row free
      case kInsertAtBottom:
        engineState().InsertRowPending = 1;
        return scroller_.lastPage();  // leaves the bottom row free
      case kInsertAboveSelected:
        engineState().InsertRowPending = 1;
        return Flow::kEndOfEvent;
      default:
        return Flow::kEndOfEvent;
    }
  }

  // A change or a delete needs the selected row's record, as it is stored now.
  if (!fetched) {
    blk.ACTION = kActionEventDone;
    source_.clearRecord(call_.OrderSign);
    browseBeep();
  } else {
    recheckRecord();
  }
  apprt::SETKEYCODE(0);
  return Flow::kEndOfEvent;
}

// Reads the selected row's record again, with change detection armed unless
// WATCHOFF. Through the file the record must still stand at the row's stored
// position: a record that was deleted or re-keyed meanwhile does not. A store
// that does not answer is not a record gone: the user is told why and may try
// again.
void RequestSteps::recheckRecord() {
  BrowseBlock& blk = block();
  const uint8_t action = blk.ACTION;
  while (!selectedRecordStands()) {
    const bool storeTrouble = readMetStoreTrouble();
    const apprt::DriverStatus trouble = apprt::lastFileError();
    source_.clearRecord(call_.OrderSign);
    browseBeep();
    blk.ACTION = kActionEventDone;
    if (!storeTrouble) {
      const std::string title =
          action == kActionChange ? "Error Changing Record" : "Error Deleting Record";
      apprt::messageBox("The selected record is no longer available!", title, apprt::Icon::None,
                        apprt::kButtonOk, apprt::kButtonOk);
      return;
    }
    // Cancel is the default: a script with no answer for the box goes on
    // instead of trying for ever.
    const int answer = apprt::tellDriverTrouble(trouble, apprt::kButtonRetry + apprt::kButtonCancel,
                                                apprt::kButtonCancel);
    if (answer != apprt::kButtonRetry) return;
    blk.ACTION = action;
  }
}

bool RequestSteps::selectedRecordStands() {
  if (source_.usingView()) {
    if (!block().WATCHOFF) call_.view->watch();
    call_.view->reget(call_.position);
    return apprt::ERRCODE() == apprt::kNoError;
  }
  call_.file.resetToPosition(call_.key, call_.position);
  if (!block().WATCHOFF) call_.file.watch();
  call_.file.next();
  return apprt::ERRCODE() == apprt::kNoError &&
         call_.file.positionByKey(call_.key) == call_.position;
}

Flow RequestSteps::placeInsertRow() {
  BrowseBlock& blk = block();
  engineState().InsertRowPending = 0;
  const auto mode = blk.ENDBATCH == kBatchStarting ? kInsertAtBottom : InsertMode{blk.INSERTMODE};
  switch (mode) {
    case kInsertAtTop:
      call_.displayQueue.clearBuffer();
      call_.displayQueue.addAt(1);
      apprt::SELECT(listField(), 1);
      break;
    case kInsertAtBottom:
      call_.displayQueue.clearBuffer();
      call_.displayQueue.add();
      apprt::SELECT(listField(), static_cast<int>(call_.rows()));
      break;
    case kInsertAboveSelected: {
      // The blank row goes above the selected row and carries its position; on
      // a full page the row at the far end leaves to make room.
      const int selected = apprt::CHOICE(listField());
      call_.scratch.clear();
      if (call_.displayQueue.get(selected)) call_.scratch = call_.position;
      if (call_.rows() >= blk.ROWS) {
        const bool atLastRow = selected > 0 && static_cast<size_t>(selected) == call_.rows();
        call_.displayQueue.get(atLastRow ? 1 : call_.rows());
        call_.displayQueue.remove();
      }
      call_.displayQueue.clearBuffer();
      call_.position = call_.scratch;
      const size_t at = selected > 0 ? static_cast<size_t>(selected) : 1;
      call_.displayQueue.addAt(at);
      call_.displayQueue.get(call_.displayQueue.pointer());
      apprt::SELECT(listField(), static_cast<int>(call_.displayQueue.pointer()));
      break;
    }
    default:
      break;
  }
  apprt::DISPLAY(listField());
  if (blk.ENDBATCH == kBatchStarting) {
    blk.ENDBATCH = 0;
    return returnWith(kActionBatchRow);
  }
  return returnWith(kActionInsert);
}

// The procedure edited the blank last row; unless the batch is over, the row
// is taken into the list from the record and the next blank row follows.
Flow RequestSteps::continueBatch() {
  BrowseBlock& blk = block();
  if (blk.ENDBATCH) {
    blk.DISPLAYFLAG = 0;
    blk.ACTION = kActionEventDone;
    return Flow::kEndOfEvent;
  }
  if (call_.rows() > blk.ROWS) {
    call_.displayQueue.get(1);
    call_.displayQueue.remove();
  }
  call_.displayQueue.get(call_.rows());
  call_.displayQueue.remove();
  call_.displayQueue.clearBuffer();
  return returnWith(kActionFillRow, kResumeBatchRow);
}

Flow RequestSteps::addBatchRow() {
  call_.displayQueue.add();
  call_.displayQueue.clearBuffer();
  call_.displayQueue.add();
  apprt::DISPLAY(listField());
  apprt::SELECT(listField(), static_cast<int>(call_.rows()));
  return returnWith(kActionBatchRow);
}

Flow RequestSteps::rowActivation() {
  BrowseBlock& blk = block();
  blk.CURITEM = static_cast<uint8_t>(apprt::CHOICE(listField()));
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
