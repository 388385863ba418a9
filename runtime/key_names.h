#pragma once
// Key names as people write them ("Ctrl+PgDn", "Shift+Tab", "F1", "a") and
// the key codes they stand for. Used by scripts and front-ends.

#include <optional>
#include <string>
#include <string_view>

namespace apprt {

std::optional<int> keyCodeFromName(std::string_view name);
std::string keyName(int code);

}  // namespace apprt
