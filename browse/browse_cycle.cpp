// The engine's entry, its dispatch on the action, the resume point and the
// event, and what it does at the end of every event.

#include "browse/browse_cycle.h"

#include "browse/edit_states.h"
#include "browse/private_properties.h"
#include "runtime/constants.h"
#include "runtime/program.h"
#include "runtime/windows.h"

namespace fesk {

uint8_t InsertRowPending = 0;
uint8_t MoreRecords = 0;
uint8_t ThumbSet = 0;
uint8_t NudgeList = 0;
int16_t LastListField = 0;
uint8_t EditState = kEditStateNone;
uint8_t EditColumnField = 0;
int32_t BeepSound = 1;

void KX_RunBrowse(int16_t listField, const apprt::FileDeclaration& file, apprt::View* view,
                  const apprt::KeyDeclaration& key, apprt::QueueBase& displayQueue,
                  std::string& position, const BrowseRange& range,
                  const BrowseFixedComponents& fixed) {
  detail::BrowseCycle(file, view, key, displayQueue, position, range, fixed).run(listField);
}

namespace detail {
namespace {

void showMessage(const std::string& text) {
  apprt::messageBox(text, "", apprt::Icon::None, apprt::kButtonOk, apprt::kButtonOk);
}

bool isScrollOrOpenEvent(int event) {
  switch (event) {
    case apprt::kEventOpenWindow:
    case apprt::kEventNewSelection:
    case apprt::kEventScrollUp:
    case apprt::kEventScrollDown:
    case apprt::kEventPageUp:
    case apprt::kEventPageDown:
    case apprt::kEventScrollTop:
    case apprt::kEventScrollBottom:
      return true;
    default:
      return false;
  }
}

}  // namespace

BrowseCycle::BrowseCycle(const apprt::FileDeclaration& file, apprt::View* view,
                         const apprt::KeyDeclaration& key, apprt::QueueBase& displayQueue,
                         std::string& position, const BrowseRange& range,
                         const BrowseFixedComponents& fixed)
    : file_(file),
      view_(view),
      key_(key),
      displayQueue_(displayQueue),
      position_(position),
      range_(range),
      fixed_(fixed) {}

void BrowseCycle::run(int16_t listField) {
  const auto handle = static_cast<int32_t>(apprt::getProp(listField, apprt::kPropHandle));
  if (handle == 0 && listField != 0) {
    showMessage("CRITICAL ERROR #1: Unable to Find Window Handle");
    apprt::HALT(0, "");
  }
  if (!attachBrowse(handle)) {
    showMessage("KX_Browse Error -- No Browse Initialized for Field# " + std::to_string(listField));
    return;
  }
  workOutPerCallValues();
  serveReloadRequestEvent(b().ACTION);
  Flow flow = dispatchOnAction();
  for (;;) {
    switch (flow) {
      case Flow::kReturn:
        return;
      case Flow::kEndOfEvent:
        flow = endOfEvent();
        break;
      case Flow::kButtonRefresh:
        flow = buttonRefreshCheck();
        break;
      case Flow::kFinalStage:
        flow = finalStage();
        break;
    }
  }
}

void BrowseCycle::workOutPerCallValues() {
  BrowseBlock& blk = b();
  RangeActive = range_.rangeField && range_.rangeLow && range_.rangeHigh;
  ExactRange = RangeActive && !(range_.rangeIsNumber == 0 && range_.rangeIsText != 0);
  OrderSign = blk.REVORDER ? -1 : 1;
  if (blk.REVORDER)
    FillDirection = blk.DESCENDINGKEY ? -1 : 1;
  else
    FillDirection = blk.DESCENDINGKEY ? 1 : -1;
  blk.DESCENDINGKEY = 0;
}

// Events 1030 to 1033 ask for a reload with a repositioning switch. A run of
// calls for one event starts with ACTION 0 or 12; the later calls of the run
// find another action and so do not start the load again.
void BrowseCycle::serveReloadRequestEvent(uint8_t actionOnEntry) {
  const int event = apprt::EVENT();
  if (event < kEventLocateRequest || event > kEventReselectRequest) return;
  if (actionOnEntry != kActionLoad && actionOnEntry != kActionEventDone) return;
  BrowseBlock& blk = b();
  blk.ACTION = kActionLoad;
  switch (event) {
    case kEventLocateRequest:
      blk.SETTOKEY = 1;
      break;
    case kEventReloadRequest:
      blk.SETTOITEM = 1;
      break;
    case kEventRepositionRequest:
      blk.SETTOPOSITION = 1;
      break;
    default:
      blk.SETTOPOSITION = 2;
      break;
  }
}

Flow BrowseCycle::returnWith(uint8_t action, uint8_t resumePoint) {
  b().ACTION = action;
  b().REENTRYPNT = resumePoint;
  return Flow::kReturn;
}

Flow BrowseCycle::dispatchOnAction() {
  BrowseBlock& blk = b();
  switch (blk.ACTION) {
    case kActionLoad:
      blk.DISPLAYFLAG = 1;
      if (blk.CALLNORECORDS == 0) blk.CALLNORECORDS = 1;
      if (!blk.DONTSELECT) LastListField = blk.LISTFLD;
      switch (repositionOnRequest()) {
        case Reposition::kReselect:
          return reloadAroundSelection();
        case Reposition::kLoad:
          return loadPage();
        case Reposition::kNone:
          break;
      }
      if (blk.SETTOITEM) return reloadAroundSelection();
      if (blk.SETTOKEY && !blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
      return loadPage();
    case kActionBatchRow:
      return continueBatch();
    case kActionInsert:
    case kActionChange:
    case kActionDelete:
      blk.ACTION = kActionEventDone;
      return Flow::kEndOfEvent;
    case kActionThumbMoved:
      blk.ACTION = kActionEventDone;
      return Flow::kFinalStage;
    case kActionRecordRead:
      blk.ACTION = kActionEventDone;
      return Flow::kButtonRefresh;
    case kActionRefreshButtons:
      apprt::setProp(0, kPropRefreshPending, 0);
      blk.ACTION = kActionEventDone;
      return Flow::kFinalStage;
    case kActionListEmpty:
      blk.ACTION = kActionEventDone;
      return Flow::kReturn;
    default:
      blk.ACTION = kActionEventDone;
      return dispatchOnResumePoint();
  }
}

Flow BrowseCycle::dispatchOnResumePoint() {
  const uint8_t point = b().REENTRYPNT;
  b().REENTRYPNT = kResumeNone;
  switch (point) {
    case kResumeUpwardFill:
      return upwardFill(true);
    case kResumeDownwardFill:
      return downwardFill(true);
    case kResumeTopUpFill:
      return topUpFill(true);
    case kResumeScrollUp:
      return scrollUpFromAbove(true);
    case kResumeScrollDown:
      return scrollDownFromBelow(true);
    case kResumeBatchRow:
      return addBatchRow();
    case kResumeBatchRequest:
      b().ACTION = kActionBatchRow;
      return requestPath();
    case kResumeInsertRequest:
      b().ACTION = kActionInsert;
      return requestPath();
    default:
      return dispatchOnEvent();
  }
}

Flow BrowseCycle::dispatchOnEvent() {
  BrowseBlock& blk = b();
  switch (apprt::EVENT()) {
    case apprt::kEventAlertKey: {
      const int key = apprt::KEYCODE();
      int request = 0;
      if (key == apprt::kKeyInsert) request = kEventInsertRequest;
      if (key == apprt::kKeyEnter || key == apprt::kKeyCtrlEnter) request = kEventChangeRequest;
      if (key == apprt::kKeyDelete) request = kEventDeleteRequest;
      if (request) {
        apprt::SETKEYCODE(0);
        apprt::POST(request, blk.LISTFLD);
      }
      if (apprt::FIELD() != 0) apprt::UPDATE(apprt::FIELD());
      return Flow::kEndOfEvent;
    }
    case kEventBatchAdd:
      return batchAddRequest();
    case kEventInsertRequest:
      return insertRequest();
    case kEventChangeRequest:
      return changeRequest();
    case kEventDeleteRequest:
      return deleteRequest();
    case apprt::kEventScrollDrag:
      return thumbMoved();
    case apprt::kEventSelected:
      if (!blk.DONTSELECT) LastListField = blk.LISTFLD;
      return Flow::kEndOfEvent;
    case apprt::kEventGainFocus:
    case kEventReloadSelected:
      blk.SETTOITEM = 1;
      blk.DISPLAYFLAG = 1;
      LastListField = blk.LISTFLD;
      return reloadAroundSelection();
    case apprt::kEventNewSelection:
      return rowActivation();
    case apprt::kEventScrollUp:
      return scrollUp();
    case apprt::kEventScrollDown:
      return scrollDown();
    case apprt::kEventPageUp:
      return pageUp();
    case apprt::kEventPageDown:
      return pageDown();
    case apprt::kEventScrollTop:
      return firstPage();
    case apprt::kEventScrollBottom:
      return lastPage();
    default:
      return Flow::kEndOfEvent;
  }
}

Flow BrowseCycle::endOfEvent() {
  BrowseBlock& blk = b();
  const int event = apprt::EVENT();
  if (blk.DROPCOMBOFLAG && (event == apprt::kEventScrollUp || event == apprt::kEventScrollDown)) {
    apprt::SELECT(list(), apprt::CHOICE(list()));
    apprt::DISPLAY(list());
  }
  if (InsertRowPending) return placeInsertRow();
  if (blk.ACTION != kActionEventDone) return Flow::kReturn;
  // Leave the selected row's record in the record buffer for the procedure.
  blk.CURITEM = static_cast<uint8_t>(apprt::CHOICE(list()));
  standOnRow(blk.CURITEM, true);
  if (ThumbSet) {
    ThumbSet = 0;
    return Flow::kButtonRefresh;
  }
  return returnWith(kActionRecordRead);
}

Flow BrowseCycle::buttonRefreshCheck() {
  if (rows() == 0) clearRecord(0);
  if (isScrollOrOpenEvent(apprt::EVENT()) || b().DISPLAYFLAG) {
    apprt::setProp(0, kPropRefreshPending, 1);
    return returnWith(kActionRefreshButtons);
  }
  return Flow::kFinalStage;
}

Flow BrowseCycle::finalStage() {
  BrowseBlock& blk = b();
  blk.DISPLAYFLAG = 0;
  switch (EditState) {
    case kEditStateResume:
      EditState = kEditStateNone;
      return changeRequest();
    case kEditStateNextRow:
      EditState = kEditStateResume;
      return scrollDown();
    case kEditStatePreviousRow:
      EditState = kEditStateResume;
      return scrollUp();
    default:
      break;
  }
  if (blk.CALLNORECORDS) {
    if (rows() == 0 && (blk.CALLNORECORDS == 1 || blk.CALLNORECORDS == 2)) {
      blk.ACTION = kActionListEmpty;
    }
    blk.CALLNORECORDS = 3;
  }
  return Flow::kReturn;
}

void BrowseCycle::browseBeep() {
  if (!b().DONTSELECT) apprt::beep();
}

void BrowseCycle::focusEditedColumn() {
  if (EditState != kEditStateNone) apprt::SELECT(EditColumnField);
}

}  // namespace detail
}  // namespace fesk
