#include "runtime/frontend/key_names.h"

#include <cctype>
#include <utility>

#include "runtime/frontend/constants.h"
#include "runtime/text/ascii_case.h"

namespace apprt {
namespace {

constexpr std::pair<std::string_view, int> kNamed[] = {
    {"Tab", kKeyTab},
    {"Enter", kKeyEnter},
    {"Esc", kKeyEsc},
    {"Space", kKeySpace},
    {"PgUp", kKeyPgUp},
    {"PgDn", kKeyPgDn},
    {"End", kKeyEnd},
    {"Home", kKeyHome},
    {"Left", kKeyLeft},
    {"Up", kKeyUp},
    {"Right", kKeyRight},
    {"Down", kKeyDown},
    {"Ins", kKeyInsert},
    {"Del", kKeyDelete},
    {"Backspace", 8},
    {"Ctrl", kKeyCtrl},
    {"Shift", kKeyShift},
    {"MouseLeft", kKeyMouseLeft},
    {"MouseRight", kKeyMouseRight},
    {"MouseDouble", kKeyMouseLeftDouble},
};

constexpr std::pair<std::string_view, int> kModifiers[] = {
    {"Shift+", kShift}, {"Ctrl+", kCtrl}, {"Alt+", kAlt}};

// Punctuation keys of the US layout: the characters they type unshifted and
// shifted, and the key's code.
struct Punctuation {
  char plain, shifted;
  int code;
};
constexpr Punctuation kPunctuation[] = {
    {';', ':', 186},  {'=', '+', 187}, {',', '<', 188},  {'-', '_', 189},
    {'.', '>', 190},  {'/', '?', 191}, {'`', '~', 192},  {'[', '{', 219},
    {'\\', '|', 220}, {']', '}', 221}, {'\'', '"', 222},
};

// The number after `prefix` (case ignored) when it lies in first..last.
std::optional<int> numbered(std::string_view name, std::string_view prefix, int first, int last) {
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 3 ||
      !sameIgnoringAsciiCase(name.substr(0, prefix.size()), prefix))
    return std::nullopt;
  int n = 0;
  for (char c : name.substr(prefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < first || n > last) return std::nullopt;
  return n;
}

}  // namespace

std::optional<int> keyCodeFromName(std::string_view name) {
  int modifiers = 0;
  for (bool found = true; found;) {
    found = false;
    for (auto [prefix, bit] : kModifiers)
      if (name.size() > prefix.size() &&
          sameIgnoringAsciiCase(name.substr(0, prefix.size()), prefix)) {
        modifiers |= bit;
        name.remove_prefix(prefix.size());
        found = true;
      }
  }
  for (auto [n, code] : kNamed)
    if (sameIgnoringAsciiCase(name, n)) return modifiers + code;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return modifiers + asciiUpper(name[0]);
  if (auto pad = numbered(name, "Pad", 0, 9)) return modifiers + kKeyPad0 + *pad;
  if (auto f = numbered(name, "F", 1, 12)) return modifiers + kKeyF1 + *f - 1;
  // Keys with no name of their own go by their code.
  if (auto code = numbered(name, "Key", 1, 255)) return modifiers + *code;
  return std::nullopt;
}

int punctuationKeyCode(char32_t c) {
  for (const auto& p : kPunctuation) {
    if (c == static_cast<char32_t>(p.plain)) return p.code;
    if (c == static_cast<char32_t>(p.shifted)) return kShift + p.code;
  }
  return 0;
}

std::string typedByKey(int code, std::string_view character) {
  if (code == kKeyCharacter) return std::string(character);
  if (code & (kCtrl | kAlt)) return {};
  const bool shifted = (code & kShift) != 0;
  const int key = code & ~kShift;
  if (key >= 'A' && key <= 'Z') {
    const auto letter = static_cast<char>(key);
    return std::string(1, shifted ? letter : asciiLower(letter));
  }
  if (key == kKeySpace) return " ";
  if (shifted) {
    for (const auto& p : kPunctuation)
      if (p.code == key) return std::string(1, p.shifted);
    return {};
  }
  if (key >= '0' && key <= '9') return std::string(1, static_cast<char>(key));
  if (key >= kKeyPad0 && key <= kKeyPad0 + 9)
    return std::string(1, static_cast<char>('0' + key - kKeyPad0));
  for (const auto& p : kPunctuation)
    if (p.code == key) return std::string(1, p.plain);
  return {};
}

std::string keyName(int code) {
  std::string out;
  if (code & kCtrl) out += "Ctrl+";
  if (code & kAlt) out += "Alt+";
  if (code & kShift) out += "Shift+";
  int key = code & 0xFF;
  for (auto [n, c] : kNamed)
    if (c == key) return out + std::string(n);
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return out + char(key);
  if (key >= kKeyPad0 && key <= kKeyPad0 + 9) return out + "Pad" + char('0' + key - kKeyPad0);
  if (key >= kKeyF1 && key <= kKeyF1 + 11) return out + "F" + std::to_string(key - kKeyF1 + 1);
  return out + "Key" + std::to_string(key);
}

}  // namespace apprt
