#pragma once
// Key names as people write them ("Ctrl+PgDn", "Shift+Tab", "F1", "a") and
// the key codes they stand for. Used by scripts and front-ends.

#include <optional>
#include <string>
#include <string_view>

namespace apprt {

std::optional<int> keyCodeFromName(std::string_view name);

// The key code of the punctuation key of the US layout that types `c`, with
// kShift added for the shifted character ('+' is Shift and the '=' key); 0
// when no punctuation key types it.
int punctuationKeyCode(char32_t c);
std::string keyName(int code);

}  // namespace apprt
