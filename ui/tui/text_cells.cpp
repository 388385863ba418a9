#include "ui/tui/text_cells.h"

#include <cwchar>
#include <cwctype>

#include "runtime/mnemonic.h"
#include "runtime/utf8.h"

namespace fesk::tui {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// The length of the sequence a lead byte starts, 0 for a byte that cannot
// start one.
int sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::wstring decodeUtf8(std::string_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    int length = sequenceLength(lead);
    if (length == 0 || i + length > text.size()) {
      out += kReplacement;
      ++i;
      continue;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = true;
    for (int k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || c < kLeast[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      out += kReplacement;
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
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
