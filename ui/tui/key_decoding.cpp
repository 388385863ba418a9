#include "ui/tui/key_decoding.h"

#include <curses.h>

#include <cwctype>

#include "runtime/frontend/constants.h"
#include "runtime/frontend/key_names.h"

namespace fesk::tui {

using namespace apprt;

namespace {

constexpr int kBackspace = 8;

// xterm's modifier parameter (2 Shift, 3 Alt, 5 Ctrl, ...) as our bits.
int modifiersOf(int parameter) {
  int bits = parameter - 1;
  return ((bits & 1) ? kShift : 0) | ((bits & 2) ? kAlt : 0) | ((bits & 4) ? kCtrl : 0);
}

int characterCode(wchar_t c) {
  if (c >= L'a' && c <= L'z') return kKeyA + (c - L'a');
  if (c >= L'A' && c <= L'Z') return kShift + kKeyA + (c - L'A');
  if (c >= L'0' && c <= L'9') return kKey0 + (c - L'0');
  if (c == L' ') return kKeySpace;
  if (c >= 0x80) return kKeyCharacter;  // no key code names it: it types itself
  return apprt::punctuationKeyCode(static_cast<char32_t>(c));
}

DecodedKey decodeCharacter(wchar_t c) {
  switch (c) {
    case 9:
      return {kKeyTab, 0};
    case 10:
    case 13:
      return {kKeyEnter, 0};
    case 27:
      return {kKeyEsc, 0};
    case 8:
    case 127:
      return {kBackspace, 0};
    default:
      break;
  }
  if (c >= 1 && c <= 26) return {kCtrl + kKeyA + (c - 1), 0};
  if (c < 32 || !std::iswprint(static_cast<wint_t>(c))) return {};
  return {characterCode(c), c};
}

int functionCode(int key) {
  if (key >= KEY_F(1) && key <= KEY_F(12)) return kKeyF1 + (key - KEY_F(1));
  // Shifted and controlled function keys as xterm's terminfo numbers them.
  if (key >= KEY_F(13) && key <= KEY_F(24)) return kShift + kKeyF1 + (key - KEY_F(13));
  if (key >= KEY_F(25) && key <= KEY_F(36)) return kCtrl + kKeyF1 + (key - KEY_F(25));
  switch (key) {
    case KEY_UP:
      return kKeyUp;
    case KEY_DOWN:
      return kKeyDown;
    case KEY_LEFT:
      return kKeyLeft;
    case KEY_RIGHT:
      return kKeyRight;
    case KEY_HOME:
      return kKeyHome;
    case KEY_END:
      return kKeyEnd;
    case KEY_PPAGE:
      return kKeyPgUp;
    case KEY_NPAGE:
      return kKeyPgDn;
    case KEY_IC:
      return kKeyInsert;
    case KEY_DC:
      return kKeyDelete;
    case KEY_BACKSPACE:
      return kBackspace;
    case KEY_ENTER:
      return kKeyEnter;
    case KEY_BTAB:
      return kKeyShiftTab;
    case KEY_SR:
      return kShift + kKeyUp;
    case KEY_SF:
      return kShift + kKeyDown;
    case KEY_SLEFT:
      return kShift + kKeyLeft;
    case KEY_SRIGHT:
      return kShift + kKeyRight;
    case KEY_SHOME:
      return kShift + kKeyHome;
    case KEY_SEND:
      return kShift + kKeyEnd;
    case KEY_SPREVIOUS:
      return kShift + kKeyPgUp;
    case KEY_SNEXT:
      return kShift + kKeyPgDn;
    case KEY_SIC:
      return kShift + kKeyInsert;
    case KEY_SDC:
      return kShift + kKeyDelete;
    default:
      break;
  }
  const auto& own = modifiedKeySequences();
  if (key >= kFirstOwnKey && key < kFirstOwnKey + static_cast<int>(own.size()))
    return own[static_cast<size_t>(key - kFirstOwnKey)].second;
  return 0;
}

}  // namespace

DecodedKey decodeKey(const TerminalKey& key) {
  DecodedKey decoded = key.function ? DecodedKey{functionCode(key.value), 0}
                                    : decodeCharacter(static_cast<wchar_t>(key.value));
  if (key.alt && decoded.code) {
    // Alt+letter is the same key whatever the case typed.
    int base = decoded.code & ~kShift;
    if (base >= kKeyA && base <= kKeyA + 25) decoded.code = base;
    decoded.code += kAlt;
    decoded.typed = 0;
  }
  return decoded;
}

const std::vector<std::pair<std::string, int>>& modifiedKeySequences() {
  static const std::vector<std::pair<std::string, int>> sequences = [] {
    struct Final {
      const char* text;  // what follows the modifier
      bool tilde;        // "\033[n;m~" rather than "\033[1;mX"
      int code;
    };
    static constexpr Final kKeys[] = {
        {"A", false, kKeyUp},      {"B", false, kKeyDown},   {"C", false, kKeyRight},
        {"D", false, kKeyLeft},    {"H", false, kKeyHome},   {"F", false, kKeyEnd},
        {"P", false, kKeyF1},      {"Q", false, kKeyF1 + 1}, {"R", false, kKeyF1 + 2},
        {"S", false, kKeyF1 + 3},  {"2", true, kKeyInsert},  {"3", true, kKeyDelete},
        {"5", true, kKeyPgUp},     {"6", true, kKeyPgDn},    {"15", true, kKeyF1 + 4},
        {"17", true, kKeyF1 + 5},  {"18", true, kKeyF1 + 6}, {"19", true, kKeyF1 + 7},
        {"20", true, kKeyF1 + 8},  {"21", true, kKeyF1 + 9}, {"23", true, kKeyF1 + 10},
        {"24", true, kKeyF1 + 11},
    };
    std::vector<std::pair<std::string, int>> out;
    for (const Final& k : kKeys)
      for (int parameter = 2; parameter <= 8; ++parameter) {
        std::string m = std::to_string(parameter);
        std::string text =
            k.tilde ? "\033[" + std::string(k.text) + ";" + m + "~" : "\033[1;" + m + k.text;
        out.emplace_back(text, modifiersOf(parameter) + k.code);
      }
    return out;
  }();
  return sequences;
}

void bindModifiedKeys() {
  const auto& sequences = modifiedKeySequences();
  for (size_t i = 0; i < sequences.size(); ++i)
    define_key(sequences[i].first.c_str(), kFirstOwnKey + static_cast<int>(i));
}

}  // namespace fesk::tui
