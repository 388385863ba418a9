#include "runtime/frontend/frontend.h"

namespace apprt {

const ControlView* WindowView::control(int field) const {
  return controlWithField(controls, field);
}

}  // namespace apprt
