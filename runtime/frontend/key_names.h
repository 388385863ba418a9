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

// What a key types into a line of text: a letter in the case Shift gives it,
// a digit, a blank, a punctuation character of the US layout, or `character`
// for kKeyCharacter; "" for a key that types nothing (Ctrl or Alt held, Enter).
std::string typedByKey(int code, std::string_view character);

}  // namespace apprt
