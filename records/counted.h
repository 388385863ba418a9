#pragma once
// A count as messages say it, its noun agreeing in number: "1 record",
// "2 records", "0 records". Every count that a message shows goes through it.

#include <cstdint>
#include <string>
#include <string_view>

namespace fesk::records {

inline std::string counted(std::uint64_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

}  // namespace fesk::records
