#pragma once
// Rules about a window's controls that hold alike for the runtime's own model
// of a window (Control) and for the snapshot a front-end draws (ControlView),
// so that what a person sees and what the runtime lets them reach never part.
// ControlFacts<C>, given beside each control type, tells how to read one.

#include <vector>

#include "runtime/frontend/window_definition.h"
#include "runtime/text/mnemonic.h"

namespace apprt {

template <class C>
struct ControlFacts;  // field, parent, kind, hidden, enabled, choice, text

template <class C>
const C* controlWithField(const std::vector<C>& controls, int field) {
  for (const C& c : controls)
    if (ControlFacts<C>::field(c) == field) return &c;
  return nullptr;
}

// The tabs of a sheet, counted in tab order.
template <class C>
int tabCount(const std::vector<C>& controls, int sheet) {
  using F = ControlFacts<C>;
  int count = 0;
  for (const C& c : controls)
    if (F::parent(c) == sheet && F::kind(c) == ControlKind::Tab) ++count;
  return count;
}

// The position (1-based) of the tab with field `tab` among its sheet's tabs;
// 0 when the sheet has no such tab.
template <class C>
int tabNumber(const std::vector<C>& controls, int sheet, int tab) {
  using F = ControlFacts<C>;
  int number = 0;
  for (const C& c : controls) {
    if (F::parent(c) != sheet || F::kind(c) != ControlKind::Tab) continue;
    ++number;
    if (F::field(c) == tab) return number;
  }
  return 0;
}

// Whether a person sees the control: neither it nor a container of it is
// hidden, and every sheet it sits in shows its tab (tabs themselves are always
// there to be chosen).
template <class C>
bool isShownAmong(const std::vector<C>& controls, const C& c) {
  using F = ControlFacts<C>;
  const C* child = &c;
  for (const C* at = &c; at;
       at = F::parent(*at) ? controlWithField(controls, F::parent(*at)) : nullptr) {
    if (F::hidden(*at)) return false;
    if (F::kind(*at) == ControlKind::Sheet && child != &c) {
      int tab = tabNumber(controls, F::field(*at), F::field(*child));
      if (tab != 0 && tab != F::choice(*at)) return false;
    }
    child = at;
  }
  return true;
}

// The first control that Alt plus `key` reaches: shown, enabled, with a field
// of its own, and a text whose mnemonic is `key`.
template <class C>
const C* controlWithMnemonic(const std::vector<C>& controls, int key) {
  using F = ControlFacts<C>;
  for (const C& c : controls)
    if (F::field(c) > 0 && F::enabled(c) && mnemonicKey(F::text(c)) == key &&
        isShownAmong(controls, c))
      return &c;
  return nullptr;
}

}  // namespace apprt
