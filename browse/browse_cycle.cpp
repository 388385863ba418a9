// The engine's entry, its dispatch on the action, the resume point and the
// event, and what it does at the end of every event.

#include "browse/browse_cycle.h"

#include "browse/edit_states.h"
#include "browse/list_control.h"
#include "browse/list_following.h"
#include "browse/private_properties.h"
#include "runtime/frontend/constants.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk {

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
    : call_(file, view, key, displayQueue, position, range, fixed),
      source_(call_),
      locator_(call_, source_),
      pages_(call_, source_, locator_),
      scroller_(call_, source_, locator_, pages_),
      requests_(call_, source_, scroller_),
      find_(call_, source_, locator_) {}

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
  NoteFileShown(handle, call_.file.fileName());
  workOutPerCallValues();
  serveReloadRequestEvent(block().ACTION);
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
  BrowseBlock& blk = block();
  call_.RangeActive = call_.range.rangeField && call_.range.rangeLow && call_.range.rangeHigh;
  call_.ExactRange =
      call_.RangeActive && !(call_.range.rangeIsNumber == 0 && call_.range.rangeIsText != 0);
  call_.OrderSign = blk.REVORDER ? -1 : 1;
  if (blk.REVORDER)
    call_.FillDirection = blk.DESCENDINGKEY ? -1 : 1;
  else
    call_.FillDirection = blk.DESCENDINGKEY ? 1 : -1;
  blk.DESCENDINGKEY = 0;
}

// Events 1030 to 1033 ask for a reload with a repositioning switch. A run of
// calls for one event starts with ACTION 0 or 12; the later calls of the run
// find another action and so do not start the load again.
void BrowseCycle::serveReloadRequestEvent(uint8_t actionOnEntry) {
  const int event = apprt::EVENT();
  if (event < kEventLocateRequest || event > kEventReselectRequest) return;
  if (actionOnEntry != kActionLoad && actionOnEntry != kActionEventDone) return;
  BrowseBlock& blk = block();
  blk.ACTION = kActionLoad;
  switch (event) {
    case kEventLocateRequest:
      blk.SETTOKEY = kSetToKeyLocate;
      break;
    case kEventReloadRequest:
      blk.SETTOITEM = kReloadOnSelected;
      break;
    case kEventRepositionRequest:
      blk.SETTOPOSITION = kRepositionOnRecord;
      break;
    default:
      blk.SETTOPOSITION = kRepositionOnSelected;
      break;
  }
}

Flow BrowseCycle::dispatchOnAction() {
  BrowseBlock& blk = block();
  switch (blk.ACTION) {
    case kActionLoad:
      blk.DISPLAYFLAG = 1;
      if (blk.CALLNORECORDS == kNoticeNeverLoaded) blk.CALLNORECORDS = kNoticeFirstLoad;
      if (!blk.DONTSELECT) engineState().LastListField = blk.LISTFLD;
      switch (locator_.repositionOnRequest()) {
        case Reposition::kReselect:
          return pages_.reloadAroundSelection();
        case Reposition::kLoad:
          return pages_.loadPage();
        case Reposition::kNone:
          break;
      }
      if (blk.SETTOITEM) return pages_.reloadAroundSelection();
      if (blk.SETTOKEY && !blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
      return pages_.loadPage();
    case kActionBatchRow:
      return requests_.continueBatch();
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
  const uint8_t point = block().REENTRYPNT;
  block().REENTRYPNT = kResumeNone;
  switch (point) {
    case kResumeUpwardFill:
      return pages_.upwardFill(true);
    case kResumeDownwardFill:
      return pages_.downwardFill(true);
    case kResumeTopUpFill:
      return pages_.topUpFill(true);
    case kResumeScrollUp:
      return scroller_.scrollUpFromAbove(true);
    case kResumeScrollDown:
      return scroller_.scrollDownFromBelow(true);
    case kResumeBatchRow:
      return requests_.addBatchRow();
    case kResumeBatchRequest:
      block().ACTION = kActionBatchRow;
      return requests_.requestPath();
    case kResumeInsertRequest:
      block().ACTION = kActionInsert;
      return requests_.requestPath();
    default:
      return dispatchOnEvent();
  }
}

Flow BrowseCycle::dispatchOnEvent() {
  BrowseBlock& blk = block();
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
      return requests_.batchAddRequest();
    case kEventInsertRequest:
      return requests_.insertRequest();
    case kEventChangeRequest:
      return requests_.changeRequest();
    case kEventDeleteRequest:
      return requests_.deleteRequest();
    case apprt::kEventScrollDrag:
      return scroller_.thumbMoved();
    case apprt::kEventFindTyped:
      return find_.locatePrefix() ? dispatchOnAction() : Flow::kEndOfEvent;
    case apprt::kEventFindNext:
      return find_.findNext() ? dispatchOnAction() : Flow::kEndOfEvent;
    case apprt::kEventSelected:
      if (!blk.DONTSELECT) engineState().LastListField = blk.LISTFLD;
      return Flow::kEndOfEvent;
    case kEventReloadSelected:
      ServeFollowedReload(blk.BRWHNDL);
      [[fallthrough]];
    case apprt::kEventGainFocus:
      blk.SETTOITEM = kReloadOnSelected;
      blk.DISPLAYFLAG = 1;
      engineState().LastListField = blk.LISTFLD;
      return pages_.reloadAroundSelection();
    case apprt::kEventNewSelection:
      return requests_.rowActivation();
    case apprt::kEventScrollUp:
      return scroller_.scrollUp();
    case apprt::kEventScrollDown:
      return scroller_.scrollDown();
    case apprt::kEventPageUp:
      return scroller_.pageUp();
    case apprt::kEventPageDown:
      return scroller_.pageDown();
    case apprt::kEventScrollTop:
      return scroller_.firstPage();
    case apprt::kEventScrollBottom:
      return scroller_.lastPage();
    default:
      return Flow::kEndOfEvent;
  }
}

Flow BrowseCycle::endOfEvent() {
  BrowseBlock& blk = block();
  const int event = apprt::EVENT();
  if (blk.DROPCOMBOFLAG && (event == apprt::kEventScrollUp || event == apprt::kEventScrollDown)) {
    apprt::SELECT(listField(), apprt::CHOICE(listField()));
    apprt::DISPLAY(listField());
  }
  if (engineState().InsertRowPending) return requests_.placeInsertRow();
  if (blk.ACTION != kActionEventDone) return Flow::kReturn;
  // Leave the selected row's record in the record buffer for the procedure.
  blk.CURITEM = static_cast<uint8_t>(apprt::CHOICE(listField()));
  source_.standOnRow(blk.CURITEM, true);
  if (engineState().ThumbSet) {
    engineState().ThumbSet = 0;
    return Flow::kButtonRefresh;
  }
  return returnWith(kActionRecordRead);
}

Flow BrowseCycle::buttonRefreshCheck() {
  if (call_.rows() == 0) source_.clearRecord(0);
  if (isScrollOrOpenEvent(apprt::EVENT()) || block().DISPLAYFLAG) {
    apprt::setProp(0, kPropRefreshPending, 1);
    return returnWith(kActionRefreshButtons);
  }
  return Flow::kFinalStage;
}

Flow BrowseCycle::finalStage() {
  BrowseBlock& blk = block();
  blk.DISPLAYFLAG = 0;
  switch (engineState().EditState) {
    case kEditStateResume:
      engineState().EditState = kEditStateNone;
      return requests_.changeRequest();
    case kEditStateNextRow:
      engineState().EditState = kEditStateResume;
      return scroller_.scrollDown();
    case kEditStatePreviousRow:
      engineState().EditState = kEditStateResume;
      return scroller_.scrollUp();
    default:
      break;
  }
  if (blk.CALLNORECORDS != kNoticeNeverLoaded) {
    if (call_.rows() == 0 &&
        (blk.CALLNORECORDS == kNoticeFirstLoad || blk.CALLNORECORDS == kNoticeAfterDelete)) {
      blk.ACTION = kActionListEmpty;
    }
    blk.CALLNORECORDS = kNoticeHandled;
  }
  return Flow::kReturn;
}

}  // namespace detail
}  // namespace fesk
