#include "runtime/files/driver_options.h"

#include <charconv>

#include "runtime/text/ascii_case.h"

namespace apprt {

int recoverSeconds(std::string_view option, DriverStatus& status) {
  constexpr std::string_view kRecover = "recover=";
  const std::string lower = asciiLower(option);
  int seconds = -1;
  if (lower.starts_with(kRecover)) {
    const char* begin = lower.data() + kRecover.size();
    const char* end = lower.data() + lower.size();
    const auto [stop, failed] = std::from_chars(begin, end, seconds);
    if (failed != std::errc() || stop != end) seconds = -1;
  }
  status = seconds < 0
               ? DriverStatus{kDriverError, "", "unknown driver option: " + std::string(option)}
               : DriverStatus{};
  return seconds;
}

std::string recoverAnswer(int seconds) {
  return "Recover=" + std::to_string(seconds);
}

}  // namespace apprt
