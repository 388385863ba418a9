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

// A mnemonic text ("&Insert", read by apprt::parseMnemonic) as the terminal
// draws it: its characters, the index of the marked one (-1 when there is
// none), and the key (apprt::mnemonicKey) that Alt reaches it with.
struct MnemonicCells {
  std::wstring text;
  int marked = -1;
  int key = 0;
};
MnemonicCells mnemonicCells(std::string_view text);

}  // namespace fesk::tui
