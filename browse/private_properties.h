#pragma once
// The properties this program keeps on its own windows and controls: marks
// that the runtime stores and answers as set, with no effect of its own. Each
// number is named here once, and checked at compile time: no two marks share
// a number, and no mark takes a number the runtime acts on.

#include <cstddef>
#include <iterator>

#include "runtime/frontend/constants.h"

namespace fesk {

// Window: 1 while the buttons of a browse window wait for their refresh after
// a page load.
inline constexpr int kPropRefreshPending = 31932;
// List: its record is being edited in place.
inline constexpr int kPropListEditedInPlace = 31860;
// Edit control: the first cell of an edit in place.
inline constexpr int kPropFirstCell = 31868;
// Edit control: the entry part of a drop-down combination made for a cell.
inline constexpr int kPropComboEntry = 31867;
// Edit control: has had the focus in this edit in place.
inline constexpr int kPropCellFocused = 31899;

inline constexpr int kPrivateProperties[] = {kPropRefreshPending, kPropListEditedInPlace,
                                             kPropFirstCell, kPropComboEntry, kPropCellFocused};

constexpr bool privatePropertiesStandAlone() {
  for (std::size_t i = 0; i < std::size(kPrivateProperties); ++i) {
    const int property = kPrivateProperties[i];
    for (std::size_t j = i + 1; j < std::size(kPrivateProperties); ++j)
      if (kPrivateProperties[j] == property) return false;
    for (const apprt::PropertyRange& range : apprt::kRuntimeProperties)
      if (property >= range.first && property <= range.last) return false;
  }
  return true;
}
static_assert(privatePropertiesStandAlone(),
              "two private properties share a number, or one takes a runtime property");

}  // namespace fesk
