#include "ui/qt/mnemonics.h"

#include <algorithm>

#include "runtime/text/mnemonic.h"
#include "runtime/text/utf8.h"

namespace fesk::qt {
namespace {

QString escaped(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toHtmlEscaped();
}

}  // namespace

QString mnemonicRichText(std::string_view text) {
  const apprt::MnemonicText m = apprt::parseMnemonic(text);
  const std::string_view plain = m.text;
  if (m.marked == apprt::MnemonicText::kNone) return escaped(plain);
  // The marked character may take several bytes; a byte that starts no
  // character is underlined on its own.
  const std::size_t length = std::max<std::size_t>(apprt::utf8SequenceLength(plain, m.marked), 1);
  return escaped(plain.substr(0, m.marked)) + "<u>" + escaped(plain.substr(m.marked, length)) +
         "</u>" + escaped(plain.substr(m.marked + length));
}

}  // namespace fesk::qt
