// The list control's thumb, beep, focus and layout as the engine drives them.

#include "browse/list_control.h"

#include "browse/browse_call.h"
#include "browse/edit_states.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/windows.h"

namespace fesk::detail {

void setThumb(int value) {
  apprt::setProp(listField(), apprt::kPropVScrollPos, value);
}

int thumb() {
  return static_cast<int>(apprt::getProp(listField(), apprt::kPropVScrollPos));
}

void hitEdge(int thumbValue) {
  engineState().ThumbSet = 1;
  setThumb(thumbValue);
  browseBeep();
}

void browseBeep() {
  if (!block().DONTSELECT) apprt::beep();
}

void focusEditedColumn() {
  if (engineState().EditState != kEditStateNone) apprt::SELECT(engineState().EditColumnField);
}

void serveNudgeList() {
  if (!engineState().NudgeList) return;
  engineState().NudgeList = 0;
  const long width = apprt::getProp(listField(), apprt::kPropWidth);
  apprt::setProp(listField(), apprt::kPropWidth, width - 1);
  apprt::setProp(listField(), apprt::kPropWidth, width);
}

}  // namespace fesk::detail
