#pragma once
// The moment of a history entry as entries tell it (file_history.h): UTC,
// "YYYY-MM-DDTHH:MM:SS.mmmZ", whichever store kept it.

#include <cstdint>
#include <string>

namespace fesk::drivers {

// The moment `milliseconds` after 1970-01-01T00:00:00Z (before it when negative).
std::string historyMoment(std::int64_t milliseconds);

}  // namespace fesk::drivers
