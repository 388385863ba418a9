#pragma once
// The values of RequestCode that a caller leaves for the procedure it calls,
// and of ResponseCode that the procedure leaves for its caller.

#include <cstdint>

namespace fesk {

inline constexpr std::int32_t kInsertRequest = 1;
inline constexpr std::int32_t kChangeRequest = 2;
inline constexpr std::int32_t kDeleteRequest = 3;
inline constexpr std::int32_t kSelectRecordRequest = 4;

inline constexpr std::int32_t kResponseCompleted = 1;
inline constexpr std::int32_t kResponseCancelled = 2;

}  // namespace fesk
