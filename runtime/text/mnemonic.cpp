#include "runtime/text/mnemonic.h"

#include "runtime/text/ascii_case.h"

namespace apprt {

MnemonicText parseMnemonic(std::string_view text) {
  MnemonicText out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A lone '&' at the end marks nothing and is shown as it is.
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&' && out.marked == MnemonicText::kNone) out.marked = out.text.size();
    }
    out.text += text[i];
  }
  return out;
}

int mnemonicKey(std::string_view text) {
  MnemonicText m = parseMnemonic(text);
  if (m.marked == MnemonicText::kNone) return 0;
  char c = m.text[m.marked];
  c = asciiUpper(c);
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  return 0;
}

}  // namespace apprt
