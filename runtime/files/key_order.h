#pragma once
// The order of keys, written once for every layer and every driver. A key
// compares the values of its fields one after the other, then the record's
// identity as its last field. Field values compare as key_text.h says.

#include <span>
#include <string>
#include <string_view>

#include "runtime/files/driver.h"
#include "runtime/text/key_text.h"

namespace apprt {

// Two points of an order: field values (as `keyValue` gives them, or raw:
// they are compared by `compareKeyFields`) and an identity.
struct KeyPoint {
  std::span<const std::string> values;
  RecordIdentity identity = 0;
};
int compareKeyPoints(const KeyPoint& a, const KeyPoint& b);

// The identity a bound stands at as the key's last field: a bound at values
// alone stands before every record that has them.
RecordIdentity boundIdentity(const ReadBound& bound);
// Whether a record exactly at the bound answers a read from it.
bool boundIncluded(const ReadBound& bound);

}  // namespace apprt
