#pragma once
// Control texts with mnemonics ("&Insert", "&&" for a literal ampersand): the
// runtime acts on the mnemonic keys itself, so the widgets only show them.

#include <QString>

namespace fesk::qt {

// The mnemonic's letter or digit in upper case; 0 when the text has none.
int mnemonicKey(const QString& text);

// The text as rich text with the mnemonic underlined, for labels, which draw
// a mnemonic only when Qt itself owns the shortcut.
QString mnemonicRichText(const QString& text);

// The text without mnemonic marks.
QString withoutMnemonic(const QString& text);

}  // namespace fesk::qt
