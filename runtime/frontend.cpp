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

bool WindowView::shows(const ControlView& c) const {
  const ControlView* child = &c;
  for (const ControlView* at = &c; at; at = at->parent ? control(at->parent) : nullptr) {
    if (at->hidden) return false;
    if (at->kind == ControlKind::Sheet && child != &c) {
      int index = 0;
      for (const auto& x : controls) {
        if (x.parent != at->field || x.kind != ControlKind::Tab) continue;
        ++index;
        if (x.field == child->field && index != at->choice) return false;
      }
    }
    child = at;
  }
  return true;
}

}  // namespace apprt
