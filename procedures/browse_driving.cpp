#include "procedures/browse_driving.h"

#include "data/thread_block.h"
#include "procedures/request_codes.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk {

void CloseWithChoiceMade(ProcedureLocals& l) {
  l.LocalResponse = kResponseCompleted;
  apprt::POST(apprt::kEventCloseWindow);
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
    ReloadBrowseWith(listField, kBrowseSetToItem, kReloadOnNeighbour);
  else
    ReloadBrowseWith(listField, kBrowseSetToPosition, kRepositionOnRecord);
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
