#pragma once
// The values of RequestCode that a caller leaves for the procedure it calls.

#include <cstdint>

namespace fesk {

inline constexpr std::int32_t kInsertRequest = 1;
inline constexpr std::int32_t kChangeRequest = 2;
inline constexpr std::int32_t kDeleteRequest = 3;
inline constexpr std::int32_t kSelectRecordRequest = 4;

}  // namespace fesk
