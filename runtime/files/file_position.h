#pragma once
// Positions: what the file layer answers for "where is this record", as an
// opaque string of at most 512 bytes. A position names the order it was taken
// in (the fields of a key or of a view's order, none for file order), the
// record's identity and the record's values of those fields as the order
// compares them (ASCII letters folded as key_order.h folds them). Two positions of the same record
// in the same order are equal strings; a record whose key value changed no
// longer matches its old position.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {

class FileDeclaration;

inline constexpr std::size_t kMaxPositionLength = 512;

struct Position {
  std::vector<int> fields;  // 0-based field numbers of the order; empty for file order
  RecordIdentity identity = 0;
  std::vector<std::string> values;  // one per field, as compared
};

std::string encodePosition(const Position& position);
// Empty when the text is no position of this file.
std::optional<Position> decodePosition(const FileDeclaration& file, std::string_view text);

// The values of `fields` in `record` as orders compare them.
std::vector<std::string> orderValues(const FileDeclaration& file, const std::vector<int>& fields,
                                     std::span<const char> record);
// The same into `values`, reusing its strings (a run of reads takes them for
// every record it reads).
void orderValuesInto(const FileDeclaration& file, const std::vector<int>& fields,
                     std::span<const char> record, std::vector<std::string>& values);

}  // namespace apprt
