// Where a control stands in a window that was made larger than its
// definition: the definition's layout is kept at the definition's size, and
// beyond it lists and sheets grow with the window, entries widen, and what
// lies below a list or a sheet (buttons, mostly) moves down with its bottom
// and along with its width.

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

// The narrowest growing control that `c` lies below and within the width of
// (a list with its row of buttons), if any.
const Control* growingControlAbove(const Window& w, const Control& c) {
  const Control* above = nullptr;
  const Rect& r = c.def.rect;
  for (const Control& other : w.controls) {
    const Rect& o = other.def.rect;
    if (&other == &c || !grows(other) || o.width <= 0 || o.height <= 0 || r.y < o.y + o.height ||
        r.x < o.x || r.x + r.width > o.x + o.width)
      continue;
    if (!above || o.width < above->def.rect.width) above = &other;
  }
  return above;
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
  // What lies under a widening list keeps its place along it: a row of
  // buttons spreads with the list instead of staying at its left end.
  if (const Control* above = widens(c) ? nullptr : growingControlAbove(w, c)) {
    const Rect& o = above->def.rect;
    r.x += wider * (2 * (c.def.rect.x - o.x) + c.def.rect.width) / (2 * o.width);
  }
  return r;
}

}  // namespace apprt
