#pragma once
// Terminal keys as the runtime's key codes (PC virtual keys with kShift,
// kCtrl, kAlt added). ncurses reports characters and its own function-key
// codes; keys with modifiers arrive as xterm's escape sequences, which are
// bound to codes of our own at start-up; Alt+key arrives as Esc first.

#include <string>
#include <utility>
#include <vector>

namespace fesk::tui {

// What the terminal reported.
struct TerminalKey {
  bool function = false;  // value is an ncurses KEY_* code (or one of ours)
  int value = 0;          // the character, or the key code
  bool alt = false;       // Esc came right before it
};

struct DecodedKey {
  int code = 0;       // the runtime's key code; 0 when the key has none
  wchar_t typed = 0;  // the character typed into an entry; 0 when none
};

DecodedKey decodeKey(const TerminalKey& key);

// xterm's sequences of keys with modifiers ("\033[6;5~" is Ctrl+PgDn), each
// with its key code; the n-th is bound to kFirstOwnKey + n.
const std::vector<std::pair<std::string, int>>& modifiedKeySequences();
inline constexpr int kFirstOwnKey = 0x2000;

// Binds those sequences in ncurses (after the terminal is set up).
void bindModifiedKeys();

}  // namespace fesk::tui
