#pragma once
// Driver option strings that every driver reads alike.

#include <string>
#include <string_view>

#include "runtime/files/driver.h"

namespace apprt {

// "Recover=N" (any letter case, N seconds, 0 or more): the seconds, or
// -1 with 90 in `status` naming the option when it is anything else.
int recoverSeconds(std::string_view option, DriverStatus& status);

// The answer a driver gives to a recover option it accepted.
std::string recoverAnswer(int seconds);

// "Salvage", sent for a file whose open failed with 47 and the driver code
// kDamagedDriverCode: the driver keeps the damaged file as it is under a name
// of its own, saves the records that can still be read into a new file at the
// file's name, and answers in words how many it saved and where the damaged
// file is. When it cannot, nothing is changed.
inline constexpr std::string_view kSalvageOption = "Salvage";

}  // namespace apprt
