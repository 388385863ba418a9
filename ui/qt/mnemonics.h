#pragma once
// Control texts with mnemonics ("&Insert", "&&" for a literal ampersand): the
// runtime acts on the mnemonic keys itself, so the widgets only show them.

#include <QString>
#include <string_view>

namespace fesk::qt {

// The text as rich text with the mnemonic underlined, for labels, which draw
// a mnemonic only when Qt itself owns the shortcut.
QString mnemonicRichText(std::string_view text);

}  // namespace fesk::qt
