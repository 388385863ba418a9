#include "runtime/files/key_order.h"

#include <algorithm>
#include <limits>

namespace apprt {

int compareKeyPoints(const KeyPoint& a, const KeyPoint& b) {
  const std::size_t fields = std::min(a.values.size(), b.values.size());
  for (std::size_t i = 0; i < fields; ++i) {
    if (const int order = compareKeyFields(a.values[i], b.values[i]); order != 0) return order;
  }
  return a.identity < b.identity ? -1 : a.identity > b.identity;
}

RecordIdentity boundIdentity(const ReadBound& bound) {
  return bound.kind == BoundKind::kValues ? std::numeric_limits<RecordIdentity>::min()
                                          : bound.identity;
}

bool boundIncluded(const ReadBound& bound) {
  return bound.kind == BoundKind::kValues || bound.inclusive;
}

}  // namespace apprt
