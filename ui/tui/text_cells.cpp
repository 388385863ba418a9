#include "ui/tui/text_cells.h"

#include <cwchar>
#include <cwctype>

#include "runtime/text/mnemonic.h"
#include "runtime/text/utf8.h"

namespace fesk::tui {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

}  // namespace

std::wstring decodeUtf8(std::string_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    const size_t length = apprt::utf8SequenceLength(text, i);
    if (length == 0) {
      out += kReplacement;  // one for each byte that starts no character
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(apprt::utf8CodePoint(text, i, length));
    i += length;
  }
  return out;
}

std::string encodeUtf8(std::wstring_view text) {
  std::string out;
  for (wchar_t wc : text) out += apprt::utf8Of(static_cast<char32_t>(wc));
  return out;
}

int charCells(wchar_t c) {
  int cells = wcwidth(c);
  return cells < 0 ? 1 : cells;
}

int textCells(std::wstring_view text) {
  int cells = 0;
  for (wchar_t c : text) cells += charCells(c);
  return cells;
}

std::wstring fitCells(std::wstring_view text, int cells) {
  std::wstring out;
  int used = 0;
  for (wchar_t c : text) {
    int w = charCells(c);
    if (used + w > cells) break;
    out += c;
    used += w;
  }
  return out;
}

MnemonicCells mnemonicCells(std::string_view text) {
  apprt::MnemonicText m = apprt::parseMnemonic(text);
  MnemonicCells out{decodeUtf8(m.text), -1, apprt::mnemonicKey(text)};
  if (m.marked != apprt::MnemonicText::kNone)
    out.marked = static_cast<int>(decodeUtf8(std::string_view(m.text).substr(0, m.marked)).size());
  return out;
}

}  // namespace fesk::tui
