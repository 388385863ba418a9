#pragma once
// The values a read's bound is compared with on the server. A bound comes from
// a record buffer: its fields are padded with spaces and may hold bytes that
// are no text (the lowest and highest fills, a byte sequence cut short), which
// the server refuses. Stored fields are UTF-8 without their padding, so the
// bound is given the same form (keyValue, key_order.h), and a value that is
// no UTF-8 is replaced by the greatest text below it, with every later field
// and the identity at their highest. No stored
// record lies between the two, so a read finds the same neighbours.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

struct ServerBound {
  std::vector<std::string> values;
  apprt::RecordIdentity identity = 0;
};

// `lengths` are the declared lengths of the order's fields, in bytes.
ServerBound serverBound(const apprt::ReadBound& bound, const std::vector<std::size_t>& lengths);
// The same for a bound in the order of `fields` of `file`.
ServerBound serverBound(const apprt::FileDeclaration& file, const std::vector<int>& fields,
                        const apprt::ReadBound& bound);

// The offset of the first byte that does not start a valid UTF-8 character
// (NUL counts as invalid: text on the server cannot hold it), or npos.
std::size_t firstInvalidByte(std::string_view text);

}  // namespace fesk::postgres
