#pragma once
// Driver option strings that every driver reads alike.

#include <string>
#include <string_view>

#include "runtime/driver.h"

namespace apprt {

// "Recover=N" (any letter case, N seconds, 0 or more): the seconds, or
// -1 with 90 in `status` naming the option when it is anything else.
int recoverSeconds(std::string_view option, DriverStatus& status);

// The answer a driver gives to a recover option it accepted.
std::string recoverAnswer(int seconds);

}  // namespace apprt
