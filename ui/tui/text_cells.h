#pragma once
// Text as a terminal shows it: UTF-8 decoded to characters, each taking the
// cells wcwidth() gives it (two for most CJK characters, none for combining
// marks), and cut to a number of cells without ever splitting a character.

#include <string>
#include <string_view>

namespace fesk::tui {

// Decodes UTF-8; a byte that is not part of a valid sequence becomes U+FFFD,
// so what a person sees shows that something is there.
std::wstring decodeUtf8(std::string_view text);
std::string encodeUtf8(std::wstring_view text);

// Cells one character takes (control characters and unprintables count one:
// they are shown as a replacement).
int charCells(wchar_t c);
int textCells(std::wstring_view text);

// The longest beginning of `text` that fits in `cells`.
std::wstring fitCells(std::wstring_view text, int cells);

// A mnemonic text ("&Insert") without its marker, and the index of the marked
// character in the result (-1 when there is none). "&&" stands for '&'.
struct MnemonicText {
  std::wstring text;
  int marked = -1;
};
MnemonicText parseMnemonic(std::string_view text);

// The upper-case ASCII letter or digit of a text's mnemonic, 0 when none.
int mnemonicKey(std::string_view text);

}  // namespace fesk::tui
