#include "drivers/common/history_moment.h"

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
  // Digit by digit: a history carried between data sets formats millions.
  std::string text = "0000-00-00T00:00:00.000Z";
  const auto put = [&](std::size_t end, long long value, int digits) {
    for (int i = 0; i < digits; ++i, value /= 10)
      text[end - i] = static_cast<char>('0' + value % 10);
  };
  put(3, utc.tm_year + 1900LL, 4);
  put(6, utc.tm_mon + 1, 2);
  put(9, utc.tm_mday, 2);
  put(12, utc.tm_hour, 2);
  put(15, utc.tm_min, 2);
  put(18, utc.tm_sec, 2);
  put(22, rest, 3);
  return text;
}

}  // namespace fesk::drivers
