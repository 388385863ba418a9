#include "runtime/text/added_mnemonic.h"

#include "runtime/text/ascii_case.h"
#include "runtime/text/mnemonic.h"

namespace apprt {

std::string withAddedMnemonic(std::string_view text, std::string& taken) {
  std::string out(text);
  if (parseMnemonic(text).marked != MnemonicText::kNone) return out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '&') {  // "&&", a literal ampersand: its second half is no letter
      ++at;
      continue;
    }
    const char key = asciiUpper(text[at]);
    const bool alphanumeric = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (!alphanumeric || taken.find(key) != std::string::npos) continue;
    taken += key;
    return out.insert(at, 1, '&');
  }
  return out;
}

}  // namespace apprt
