#pragma once
// Mnemonics added where a window's texts give none (an "OK" or "Help"
// button), so that every button has an Alt key: the first letter or digit of
// the text that no other mnemonic of the window, nor of the menu bar, takes.
// Every front-end adds them by this one rule, in the window's control order.

#include <string>
#include <string_view>

namespace apprt {

// `text` with a mnemonic marked on its first letter or digit whose key is not
// in `taken` (upper-case keys), that key then added to `taken`; a text that
// has a mnemonic, or whose every letter is taken, comes back as it is.
std::string withAddedMnemonic(std::string_view text, std::string& taken);

}  // namespace apprt
