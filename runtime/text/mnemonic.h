#pragma once
// Control texts with mnemonics: "&Insert" marks the I, "&&" is a literal
// ampersand. The runtime acts on the mnemonic keys; every front-end only
// shows the mark, so all of them read a text by this one rule.

#include <cstddef>
#include <string>
#include <string_view>

namespace apprt {

struct MnemonicText {
  static constexpr std::size_t kNone = std::string::npos;
  std::string text;            // without the marks
  std::size_t marked = kNone;  // byte offset in `text` of the marked character
};
MnemonicText parseMnemonic(std::string_view text);

// The upper-case ASCII letter or digit a text's mnemonic answers to (Alt plus
// that key); 0 when the text has none or marks another character.
int mnemonicKey(std::string_view text);

}  // namespace apprt
