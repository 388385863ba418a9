#include "drivers/common/history_moment.h"

#include <cstdio>
#include <ctime>

namespace fesk::drivers {

std::string historyMoment(std::int64_t milliseconds) {
  // Whole seconds rounded down, so that a moment before 1970 keeps its
  // milliseconds counted forward from its second.
  std::int64_t seconds = milliseconds / 1000;
  std::int64_t rest = milliseconds % 1000;
  if (rest < 0) {
    rest += 1000;
    --seconds;
  }
  const auto whole = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&whole, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(rest));
  return text;
}

}  // namespace fesk::drivers
