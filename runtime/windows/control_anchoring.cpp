// Where a control stands in a window that was made larger than its
// definition: the definition's layout is kept at the definition's size, and
// beyond it lists and sheets grow with the window, entries widen, and what
// lies below a list or a sheet (buttons, mostly) moves down with its bottom.

#include <algorithm>

#include "runtime/windows/window_model.h"

namespace apprt {
namespace {

bool grows(const Control& c) {
  return c.def.kind == ControlKind::List || c.def.kind == ControlKind::Sheet;
}

bool widens(const Control& c) {
  switch (c.def.kind) {
    case ControlKind::List:
    case ControlKind::Sheet:
    case ControlKind::Entry:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
      return true;
    default:
      return false;
  }
}

// Below the bottom edge of a control that grows, so that it moves down as
// that edge does.
bool liesBelowAGrowingControl(const Window& w, const Control& c) {
  return std::any_of(w.controls.begin(), w.controls.end(), [&](const Control& other) {
    return &other != &c && grows(other) && other.def.rect.height > 0 &&
           c.def.rect.y >= other.def.rect.y + other.def.rect.height;
  });
}

}  // namespace

Rect placedRect(const Window& w, const Control& c) {
  Rect r = c.def.rect;
  const int wider = std::max(0, w.shownWidth - w.def.width);
  const int taller = std::max(0, w.shownHeight - w.def.height);
  // Controls without a size of their own (an in-line row's, placed by its
  // list's cell) and menus have nothing to anchor.
  if ((wider == 0 && taller == 0) || r.width <= 0 || r.height <= 0 || c.def.inToolbar) return r;
  if (widens(c)) r.width += wider;
  if (grows(c)) r.height += taller;
  if (liesBelowAGrowingControl(w, c)) r.y += taller;
  return r;
}

}  // namespace apprt
