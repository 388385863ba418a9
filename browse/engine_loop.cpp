#include "browse/engine_loop.h"

#include "runtime/threads/program.h"

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
    SetBrowseSwitch(listField, kBrowseSetToKey, kSetToKeyLocate);
    SetBrowseSwitch(listField, kBrowseSelectRecord, 1);
  }
  return true;
}

void DriveUntilEventDone(int16_t listField, const BrowseHandOvers& handOvers) {
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
        if (handOvers.serveRequest) handOvers.serveRequest(action);
        break;
      case kActionSelected:
        if (handOvers.rowSelected) handOvers.rowSelected();
        break;
      case kActionRefreshButtons:
        if (handOvers.refreshButtons) handOvers.refreshButtons();
        break;
      case kActionEventDone:
      case kBrowseNotRegistered:
        return;
      default:
        break;
    }
  }
}

void ReloadBrowseWith(int16_t listField, BrowseProperty repositioning, uint8_t value) {
  SetBrowseSwitch(listField, kBrowseAction, kActionLoad);
  SetBrowseSwitch(listField, repositioning, value);
}

}  // namespace fesk
