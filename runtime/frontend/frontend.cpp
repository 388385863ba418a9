#include "runtime/frontend/frontend.h"

namespace apprt {

const ControlView* WindowView::control(int field) const {
  return controlWithField(controls, field);
}

const ControlView* WindowView::controlByText(const std::string& text) const {
  for (const auto& c : controls)
    if (c.text == text) return &c;
  return nullptr;
}

}  // namespace apprt
