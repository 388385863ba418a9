#include "procedures/browse_driving.h"

#include "data/thread_block.h"
#include "procedures/request_codes.h"
#include "runtime/windows/program.h"
#include "runtime/windows/windows.h"

namespace fesk {

int BrowseSwitch(int16_t listField, BrowseProperty number) {
  return KX_BrowseProp(listField, number, 0, true);
}

void SetBrowseSwitch(int16_t listField, BrowseProperty number, uint8_t value) {
  KX_BrowseProp(listField, number, value, false);
}

bool RegisterBrowseOnce(int16_t listField, bool selectMode) {
  if (BrowseSwitch(listField, kBrowseRegistered) != 0) return true;
  if (!KX_InitBrowse(listField, static_cast<uint16_t>(apprt::THREAD()), 0, true)) return false;
  if (selectMode) {
    SetBrowseSwitch(listField, kBrowseSetToKey, 1);
    SetBrowseSwitch(listField, kBrowseSelectRecord, 1);
  }
  return true;
}

void DriveUntilEventDone(int16_t listField, ProcedureLocals& l, const BrowseHandOvers& handOvers) {
  for (;;) {
    handOvers.runEngine();
    const int action = BrowseSwitch(listField, kBrowseAction);
    switch (action) {
      case kActionFillRow:
        handOvers.fillRow();
        break;
      case kActionInsert:
      case kActionChange:
      case kActionDelete:
        handOvers.serveRequest(action);
        break;
      case kActionSelected:
        l.LocalResponse = kResponseCompleted;
        apprt::POST(apprt::kEventCloseWindow);
        break;
      case kActionRefreshButtons:
        handOvers.refreshButtons();
        break;
      case kActionEventDone:
        return;
      default:
        break;  // the engine goes on by itself
    }
  }
}

void ReloadBrowseWith(int16_t listField, BrowseProperty repositioning, uint8_t value) {
  SetBrowseSwitch(listField, kBrowseAction, kActionLoad);
  SetBrowseSwitch(listField, repositioning, value);
}

void ServeRequestThroughForm(int16_t listField, int action, void (*form)()) {
  ThreadBlock& block = threadBlock();
  switch (action) {
    case kActionInsert:
      block.RequestCode = kInsertRequest;
      break;
    case kActionChange:
      block.RequestCode = kChangeRequest;
      break;
    case kActionDelete:
      block.RequestCode = kDeleteRequest;
      break;
    default:
      return;
  }
  form();
  if (block.ResponseCode != kResponseCompleted) return;
  if (action == kActionDelete)
    ReloadBrowseWith(listField, kBrowseSetToItem, 2);
  else
    ReloadBrowseWith(listField, kBrowseSetToPosition, 1);
}

void SetRequestButtonStates(int16_t listField, bool listHasRows, const RequestButtons& buttons) {
  if (!listHasRows) {
    apprt::DISABLE(buttons.change);
    apprt::DISABLE(buttons.remove);
    return;
  }
  if (BrowseSwitch(listField, kBrowseNoInserts)) apprt::DISABLE(buttons.insert);
  if (BrowseSwitch(listField, kBrowseNoChanges))
    apprt::DISABLE(buttons.change);
  else
    apprt::ENABLE(buttons.change);
  if (BrowseSwitch(listField, kBrowseNoDeletes))
    apprt::DISABLE(buttons.remove);
  else
    apprt::ENABLE(buttons.remove);
}

}  // namespace fesk
