#include "runtime/frontend.h"

namespace apprt {

const ControlView* WindowView::control(int field) const {
  for (const auto& c : controls)
    if (c.field == field) return &c;
  return nullptr;
}

const ControlView* WindowView::controlByText(const std::string& text) const {
  for (const auto& c : controls)
    if (c.text == text) return &c;
  return nullptr;
}

}  // namespace apprt
